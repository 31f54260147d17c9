// The score as NoteWorthy Composer wrote it, in plain data: song texts, staves in order, and
// each staff's items with exact onsets, durations and resolved pitches. src/page/ writes it.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "score/rational.hpp"

namespace choirly::score {

// Articulations of a note, as bits.
enum articulation : unsigned {
  staccato = 1,
  staccatissimo = 2,
  accent = 4,
  marcato = 8,
  tenuto = 16,
  fermata = 32,
};

// The note options that draw a hairpin from this note to the next.
enum class hairpin_option { none, crescendo, diminuendo };

// What stands on and around the notes: dynamics, texts, flow and tempo marks, pedal marks and
// the endings of repeats, as the score writes them.
enum class mark_kind {
  dynamic,            // style "ff", "sfz", ...
  dynamic_variance,   // style "Crescendo", "Rinforzando", ...
  flow,               // style "Segno", "DCalFine", ...
  text,               // the words are in `text`
  performance_style,  // style "Dolce", ...
  tempo_variance,     // style "Ritardando", ... (fermatas, breaths and caesuras have kinds)
  fermata,
  breath,
  caesura,
  pedal_down,
  pedal_up,
  ending,  // numbers hold the passes it is played in
};

enum class text_font { plain, bold, italic };

struct mark {
  mark_kind kind = mark_kind::text;
  std::string style;         // the record's Style, as NoteWorthy names it
  std::string text;          // a text mark's words
  std::vector<int> numbers;  // an ending's passes
  bool default_ending = false;
  bool above = true;
  text_font font = text_font::plain;
  bool visible = true;
  rational onset;
  int line = 0;
};

// A sounding pitch as LilyPond counts it: octave 0 holds middle C (c'), step 0..6 is c..b,
// alteration in half steps (-2 double flat .. 2 double sharp).
struct pitch {
  int octave = 0;
  int step = 0;
  int alteration = 0;
  friend bool operator==(const pitch&, const pitch&) = default;
};

// A note of a staff: its event's item, the part (0 for Dur/Pos, 1 for Dur2/Pos2) and its place
// in that part's list.
struct note_ref {
  std::size_t item = 0;
  int part = 0;
  std::size_t index = 0;
  friend bool operator==(const note_ref&, const note_ref&) = default;
};

struct note {
  int position = 0;     // staff position as written, 0 on the middle line
  pitch sound;          // after clef, octave shift, key, accidentals in the bar and ties
  char accidental = 0;  // written accidental: '#', 'b', 'n', 'x', 'v', or 0
  char head = 0;        // a head other than the round one: 'x', 'X', 'y', 'Y', 'z', 'a', 'b'
  bool redundant_accidental = false;  // written, though key and bar gave the same already
  bool tie = false;                   // tied into the same pitch of the next event
  bool tied_from = false;             // continues a tie from the event before
  bool written_tie = false;           // the score writes a tie on it, wherever it leads
  // Where a written tie lands: the next note of its pitch once this one has sounded (the next
  // event, or in a let-ring passage a later chord); empty when none takes it.
  std::optional<note_ref> tied_to;
};

// The notes of one duration within an event: a rest when `notes` is empty.
struct chord_part {
  int base = 4;  // 1 whole, 2 half, 4 quarter ... 64
  int dots = 0;
  bool triplet = false;
  rational length;  // sounding length, triplet and dots included
  std::vector<note> notes;
};

enum class triplet_mark { none, first, middle, end };
// Where an event stands in a beam the score draws: Beam=First, Beam, Beam=End.
enum class beam_mark { none, first, middle, end };
// A stem the score turns: Stem=Up or Stem=Down; neutral leaves it to the engraver.
enum class stem_direction { neutral, up, down };
enum class lyric_option { standard, never, always };

// A note, chord, rest or rest chord. `second` holds the Dur2/Pos2 notes when the record has
// them; time moves on by the shorter of the two parts.
struct event {
  rational onset;
  rational advance;  // how far time moves on: 0 for a grace note
  chord_part main;
  bool has_second = false;
  chord_part second;
  triplet_mark triplet = triplet_mark::none;
  bool grace = false;
  bool slur = false;  // a slur runs from this event to the next
  bool visible = true;
  bool full_measure_rest = false;  // a whole rest alone in its measure: lasts the measure
  lyric_option lyric = lyric_option::standard;
  bool takes_syllable = false;
  int line = 0;
  unsigned articulations = 0;  // articulation bits
  hairpin_option hairpin = hairpin_option::none;
  beam_mark beam = beam_mark::none;
  stem_direction stem = stem_direction::neutral;
  bool muted = false;  // silent in playback, drawn all the same

  bool is_rest() const { return main.notes.empty() && (!has_second || second.notes.empty()); }
};

enum class clef_kind { treble, bass, alto, tenor, percussion };

struct clef_change {
  clef_kind kind = clef_kind::treble;
  int octave_shift = 0;  // -1 "Octave Down", 1 "Octave Up"
  bool visible = true;   // a hidden clef still sets the pitches
  int line = 0;
};

// A key signature: alterations by step (c..b) in half steps.
struct key_change {
  std::vector<std::pair<int, int>> alterations;  // (step, alteration) in the list's order
  int tonic_step = -1;                           // -1 when the record names no tonic
  int line = 0;
};

struct time_change {
  int numerator = 4;
  int denominator = 4;
  enum class symbol { numbers, common, alla_breve } shown = symbol::numbers;
  bool visible = true;
  int line = 0;
  rational measure_length() const { return rational(numerator, denominator); }
};

enum class bar_style {
  single,
  double_bar,
  section_open,
  section_close,
  repeat_open,
  repeat_close,
  repeat_both,
  invisible
};

struct bar_line {
  bar_style style = bar_style::single;
  int repeat_count = 0;       // a repeat close's Repeat:N, 0 when the record names none
  bool local = false;         // a local repeat, which endings do not belong to
  bool system_break = false;  // the score starts a new system after it
  rational onset;
  int line = 0;
};

struct tempo_mark {
  int beats_per_minute = 0;
  int base = 4;  // the beat: 8, 4 or 2
  int dots = 0;
  std::string text;
  bool visible = true;
  rational onset;
  int line = 0;
};

// A record the model gives no meaning to (a spacer, a MIDI control change, ...), kept with
// its place so that a writer can say what it leaves out.
struct skipped_record {
  std::string kind;  // the record's name, such as "Dynamic"
  rational onset;
  int line = 0;
};

using item = std::variant<event, clef_change, key_change, time_change, bar_line, tempo_mark,
                          skipped_record, mark>;

struct syllable {
  std::string text;
  bool hyphen = false;  // joined to the next syllable
  rational onset;       // of the event it lies under
  bool placed = false;  // false when the staff ran out of notes for it
};

struct lyric_line {
  std::vector<syllable> syllables;
};

// One measure of a staff as the reader closed it, so that writers need not count again.
struct measure {
  std::size_t first_item = 0;  // the staff's item it starts with
  std::size_t end_item = 0;    // its bar line's item; the staff's item count for the last
  rational onset;
  rational length;      // to its bar line, or to the end of its last event when it has none
  rational expected;    // what the time signature in force at its first note asks for
  bool closed = false;  // ends at a bar line
};

enum class group_with_next { none, bracket, brace };

struct staff {
  std::string name;
  std::string label;
  std::string label_abbreviation;  // the label of the later systems
  group_with_next group = group_with_next::none;
  bool layered_with_next = false;
  bool visible = true;
  bar_style ending_bar = bar_style::section_close;
  std::vector<item> items;
  std::vector<measure> measures;  // in order; the last one ends with the staff
  std::vector<lyric_line> lyrics;
  int line = 0;
  int patch = -1;             // General MIDI program 0..127 from the staff's instrument
  bool drum_channel = false;  // plays on MIDI channel 10
  int transposition = 0;      // half steps the playback sounds from the written notes
  bool muted = false;         // silent in playback
  int volume = 127;           // the channel's volume 0..127
  int pan = 64;               // the channel's stereo position 0 (left) .. 127 (right)
  int channel = 0;            // the MIDI channel 1..16 the score plays it on; 0 when unnamed

  // How the verses stand: above the staff, each syllable from its note's left edge, and "_"
  // printed as a space inside a syllable or as itself.
  bool lyrics_above = false;
  bool lyrics_left = false;
  bool underscore_as_space = true;
};

struct diagnostic {
  int line = 0;  // 0 for the whole score
  std::string message;
};

enum class staff_labels { none, first_system, top_systems, all_systems };
enum class bar_numbers { none, plain, circled, boxed };

// How the score sets out its pages: the fields of its page setup and margins. A field the
// file leaves out keeps NoteWorthy Composer's default.
struct page_setup {
  double staff_size = 16;  // the staff's height in points
  double margin_left = 1.27, margin_top = 1.27, margin_right = 1.27, margin_bottom = 1.27;  // cm
  bool mirror_margins = false;  // left and right are the inner and outer margins
  bool justify_vertically = true;
  bool extend_last_system = false;
  staff_labels labels = staff_labels::none;
  bar_numbers numbers = bar_numbers::none;
  int starting_bar = 1;
  bool has_setup = false;    // the file holds a page setup record
  bool has_margins = false;  // the file holds a margins record
};

struct score {
  std::string title, author, lyricist, copyright1, copyright2;
  std::string version;  // "2.751" as the header has it
  bool has_end_marker = false;
  page_setup page;
  std::vector<staff> staves;
  std::vector<diagnostic> diagnostics;
};

}  // namespace choirly::score
