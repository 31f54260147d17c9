// The walk over a score's lines: staves, their context (clef, key, accidentals of the bar,
// time signature), events with exact onsets, and the lyrics laid under them.
#include "score/reader.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <map>
#include <optional>

#include "score/lyrics.hpp"
#include "score/mark_records.hpp"
#include "score/records.hpp"
#include "util/lines.hpp"

namespace choirly::score {

namespace {

constexpr std::string_view header_start = "!NoteWorthyComposer(2.";
constexpr std::string_view end_marker = "!NoteWorthyComposer-End";

int floor_div(int a, int b) {
  return a / b - (a % b != 0 && (a < 0) != (b < 0) ? 1 : 0);
}

// The step (c = 0) of middle line's note, counted from middle C: treble b', bass d, alto c',
// tenor a. A percussion staff reads its positions as the bass clef does.
int clef_offset(clef_kind kind) {
  switch (kind) {
    case clef_kind::treble:
      return 6;
    case clef_kind::bass:
    case clef_kind::percussion:
      return -6;
    case clef_kind::alto:
      return 0;
    case clef_kind::tenor:
      return -2;
  }
  return 6;
}

int accidental_alteration(char accidental) {
  switch (accidental) {
    case '#':
      return 1;
    case 'b':
      return -1;
    case 'x':
      return 2;
    case 'v':
      return -2;
    default:
      return 0;
  }
}

int step_of_letter(char letter) {
  static constexpr std::string_view letters = "CDEFGAB";
  const std::size_t at = letters.find(letter);
  return at == std::string_view::npos ? -1 : static_cast<int>(at);
}

// What the reader keeps while it walks one staff.
struct staff_state {
  clef_change clef;
  std::array<int, 7> key{};                 // alteration of each step by the key
  std::map<int, int> bar_accidentals;       // written step from c' -> alteration, to the bar line
  time_change time;                         // in force
  rational now;                             // onset of the next event
  measure open;                             // the measure being read
  bool open_has_note = false;               // its expected length is settled
  std::vector<std::size_t> measure_events;  // item indexes of the measure's events
  std::optional<std::size_t> previous_event;
  bool previous_slur = false;
  bool triplet_open = false;
  int triplet_open_line = 0;
};

class reader {
 public:
  // `staff_lines`: the number of lines of each staff, so that its items are allocated once.
  reader(score& model, std::vector<std::size_t> staff_lines)
      : model_(model), staff_lines_(std::move(staff_lines)) {}

  void line(std::string_view text, int number) {
    number_ = number;
    if (!split_record(text, record_)) return;
    const std::string_view name = record_.name;
    if (name == "SongInfo") return song_info();
    if (name == "AddStaff") return add_staff();
    if (name == "StaffProperties") return staff_properties();
    if (name == "Clef") return clef();
    if (name == "Key") return key();
    if (name == "TimeSig") return time_signature();
    if (name == "Bar") return bar();
    if (name == "Tempo") return tempo();
    if (name == "Note" || name == "Chord" || name == "Rest" || name == "RestChord")
      return event_record();
    if (name.starts_with("Lyric") && name.size() > 5 && name[5] >= '1' && name[5] <= '9')
      return lyric();
    if (name == "StaffInstrument") return staff_instrument();
    if (name == "PgSetup") return page_setup_record();
    if (name == "PgMargins") return page_margins();
    if (std::optional<mark> m = read_mark(record_)) {
      m->onset = state_.now;
      m->line = number_;
      current().items.emplace_back(std::move(*m));
      return;
    }
    // Layout and editor settings of the file, which hold no music.
    if (name == "Lyrics") return lyrics_layout();
    static constexpr std::array<std::string_view, 3> layout = {"Editor", "Font", "Locale"};
    for (std::string_view l : layout)
      if (name == l) return;
    if (!staff_started_) return;
    skipped_record skipped;
    skipped.kind = std::string(name);
    skipped.onset = state_.now;
    skipped.line = number_;
    current().items.emplace_back(std::move(skipped));
  }

  void finish() {
    if (staff_started_) close_staff();
    for (staff& s : model_.staves) {
      const std::size_t unplaced = place_lyrics(s);
      if (unplaced > 0)
        note_problem(s.line, "staff \"" + s.name + "\" has " + std::to_string(unplaced) +
                                 " lyric syllable" + (unplaced == 1 ? "" : "s") +
                                 " more than notes to take them; they are left out");
    }
  }

 private:
  staff& current() {
    if (!staff_started_) {
      // Music before any |AddStaff line goes into a staff of its own.
      model_.staves.emplace_back();
      model_.staves.back().line = number_;
      if (!staff_lines_.empty()) model_.staves.back().items.reserve(staff_lines_[0]);
      staff_started_ = true;
      state_ = staff_state{};
    }
    return model_.staves.back();
  }

  void note_problem(int line, std::string message) {
    model_.diagnostics.push_back({line, std::move(message)});
  }

  void song_info() {
    const auto text = [&](std::string_view field_name, std::string& out) {
      if (const auto v = record_.get(field_name)) out = unquote(*v);
    };
    text("Title", model_.title);
    text("Author", model_.author);
    text("Lyricist", model_.lyricist);
    text("Copyright1", model_.copyright1);
    text("Copyright2", model_.copyright2);
  }

  void page_setup_record() {
    page_setup& p = model_.page;
    p.has_setup = true;
    if (const std::optional<double> size = read_decimal(record_.get("StaffSize").value_or(""));
        size && *size >= 4 && *size <= 72)
      p.staff_size = *size;
    p.justify_vertically = record_.get("JustifyVertically").value_or("Y") != "N";
    p.extend_last_system = record_.get("ExtendLastSystem").value_or("N") == "Y";
    const std::string_view labels = record_.get("StaffLabels").value_or("None");
    p.labels = labels == "First System"  ? staff_labels::first_system
               : labels == "Top Systems" ? staff_labels::top_systems
               : labels == "All Systems" ? staff_labels::all_systems
                                         : staff_labels::none;
    const std::string_view numbers = record_.get("BarNumbers").value_or("None");
    p.numbers = numbers == "Plain"     ? bar_numbers::plain
                : numbers == "Circled" ? bar_numbers::circled
                : numbers == "Boxed"   ? bar_numbers::boxed
                                       : bar_numbers::none;
    if (const std::optional<int> first = read_int(record_.get("StartingBar").value_or(""));
        first && *first >= 0 && *first <= 9999)
      p.starting_bar = *first;
  }

  void page_margins() {
    page_setup& p = model_.page;
    p.has_margins = true;
    const auto margin = [&](std::string_view field_name, double& out) {
      if (const std::optional<double> cm = read_decimal(record_.get(field_name).value_or(""));
          cm && *cm >= 0 && *cm <= 20)
        out = *cm;
    };
    margin("Left", p.margin_left);
    margin("Top", p.margin_top);
    margin("Right", p.margin_right);
    margin("Bottom", p.margin_bottom);
    p.mirror_margins = record_.get("Mirror").value_or("N") == "Y";
  }

  static std::optional<double> read_decimal(std::string_view text) {
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
  }

  void add_staff() {
    if (staff_started_) close_staff();
    model_.staves.emplace_back();
    staff& s = model_.staves.back();
    s.line = number_;
    if (model_.staves.size() < staff_lines_.size())
      s.items.reserve(staff_lines_[model_.staves.size()]);
    if (const auto v = record_.get("Name")) s.name = unquote(*v);
    if (const auto v = record_.get("Label")) s.label = unquote(*v);
    if (const auto v = record_.get("LabelAbbr")) s.label_abbreviation = unquote(*v);
    staff_started_ = true;
    // Each staff starts in C, treble clef, 4/4, whatever the staff before held.
    state_ = staff_state{};
  }

  void staff_properties() {
    staff& s = current();
    if (const auto v = record_.get("Visible")) s.visible = *v != "N";
    if (const auto v = record_.get("EndingBar")) {
      if (*v == "Section Close")
        s.ending_bar = bar_style::section_close;
      else if (*v == "Double")
        s.ending_bar = bar_style::double_bar;
      else if (*v == "Open (hidden)")
        s.ending_bar = bar_style::invisible;
      else
        s.ending_bar = bar_style::single;
    }
    if (const auto v = record_.get("WithNextStaff")) {
      for (std::string_view item : comma_items(*v)) {
        if (item == "Brace") s.group = group_with_next::brace;
        if (item == "Bracket" && s.group == group_with_next::none)
          s.group = group_with_next::bracket;
        if (item == "Layer") s.layered_with_next = true;
      }
    }
    // The older files say it with a staff style and a layer flag.
    if (const auto v = record_.get("Style")) {
      if (*v == "Upper Grand Staff") s.group = group_with_next::brace;
      if (*v == "Orchestral") old_orchestral_.push_back(model_.staves.size() - 1);
    }
    if (const auto v = record_.get("Layer")) s.layered_with_next = *v == "Y";
    if (const auto v = record_.get("Channel")) s.drum_channel = *v == "10";
    if (const std::optional<int> n = read_int(record_.get("Channel").value_or(""));
        n && *n >= 1 && *n <= 16)
      s.channel = *n;
    if (const auto v = record_.get("Muted")) s.muted = *v == "Y";
    const auto midi_value = [&](std::string_view field_name, int& out) {
      if (const std::optional<int> n = read_int(record_.get(field_name).value_or(""));
          n && *n >= 0 && *n <= 127)
        out = *n;
    };
    midi_value("Volume", s.volume);
    midi_value("StereoPan", s.pan);
  }

  void staff_instrument() {
    staff& s = current();
    if (const std::optional<int> patch = read_int(record_.get("Patch").value_or(""));
        patch && *patch >= 0 && *patch <= 127)
      s.patch = *patch;
    if (const std::optional<int> trans = read_int(record_.get("Trans").value_or(""));
        trans && *trans >= -48 && *trans <= 48)
      s.transposition = *trans;
  }

  // Where the verses stand and how their syllables print; the words come after it.
  void lyrics_layout() {
    if (!staff_started_) return;
    staff& s = current();
    s.lyrics_above = record_.get("Placement").value_or("") == "Top";
    s.lyrics_left = record_.get("Align").value_or("") == "Start of Accidental/Note";
    s.underscore_as_space = record_.get("UnderscoreAsSpace").value_or("") != "N";
  }

  void lyric() {
    staff& s = current();
    const std::optional<int> number = read_int(record_.name.substr(5));
    const auto text = record_.get("Text");
    if (!number || !text || *number < 1 || *number > 99) return;
    const std::size_t index = static_cast<std::size_t>(*number - 1);
    if (s.lyrics.size() <= index) s.lyrics.resize(index + 1);
    s.lyrics[index].syllables = split_syllables(unquote(*text), s.underscore_as_space);
  }

  void clef() {
    staff& s = current();
    clef_change c;
    c.line = number_;
    const std::string_view type = record_.get("Type").value_or("");
    if (type == "Treble")
      c.kind = clef_kind::treble;
    else if (type == "Bass")
      c.kind = clef_kind::bass;
    else if (type == "Alto")
      c.kind = clef_kind::alto;
    else if (type == "Tenor")
      c.kind = clef_kind::tenor;
    else if (type == "Percussion")
      c.kind = clef_kind::percussion;
    else
      return note_problem(number_, "unknown clef \"" + std::string(type) + "\" left out");
    const std::string_view shift = record_.get("OctaveShift").value_or("");
    if (shift == "Octave Down") c.octave_shift = -1;
    if (shift == "Octave Up") c.octave_shift = 1;
    c.visible = record_.get("Visibility").value_or("") != "Never";
    state_.clef = c;
    s.items.emplace_back(c);
  }

  void key() {
    staff& s = current();
    key_change k;
    k.line = number_;
    std::array<int, 7> alterations{};
    for (std::string_view item : comma_items(record_.get("Signature").value_or(""))) {
      const int step = item.empty() ? -1 : step_of_letter(item[0]);
      if (step < 0 || item.size() > 2)
        return note_problem(number_, "key signature item \"" + std::string(item) +
                                         "\" is no note name with # or b; key left out");
      if (item.size() == 1) continue;  // "C": no alteration
      const int alteration = item[1] == '#' ? 1 : item[1] == 'b' ? -1 : 0;
      if (alteration == 0)
        return note_problem(number_, "key signature item \"" + std::string(item) +
                                         "\" is no note name with # or b; key left out");
      if (alterations[static_cast<std::size_t>(step)] != 0) continue;
      alterations[static_cast<std::size_t>(step)] = alteration;
      k.alterations.emplace_back(step, alteration);
    }
    if (const auto tonic = record_.get("Tonic"); tonic && !tonic->empty())
      k.tonic_step = step_of_letter((*tonic)[0]);
    state_.key = alterations;
    s.items.emplace_back(std::move(k));
  }

  void time_signature() {
    staff& s = current();
    time_change t;
    t.line = number_;
    const std::string_view signature = record_.get("Signature").value_or("");
    if (signature == "Common") {
      t.shown = time_change::symbol::common;
    } else if (signature == "AllaBreve") {
      t.numerator = t.denominator = 2;
      t.shown = time_change::symbol::alla_breve;
    } else {
      const std::size_t slash = signature.find('/');
      const std::optional<int> n = read_int(signature.substr(0, slash));
      const std::optional<int> d =
          slash == std::string_view::npos ? std::nullopt : read_int(signature.substr(slash + 1));
      const bool power_of_two = d && *d >= 1 && *d <= 64 && (*d & (*d - 1)) == 0;
      if (!n || *n < 1 || *n > 128 || !power_of_two)
        return note_problem(number_, "time signature \"" + std::string(signature) +
                                         "\" is not understood; left out");
      t.numerator = *n;
      t.denominator = *d;
    }
    t.visible = record_.get("Visibility").value_or("") != "Never";
    state_.time = t;
    s.items.emplace_back(t);
  }

  void bar() {
    staff& s = current();
    close_measure(true);
    bar_line b;
    b.line = number_;
    b.onset = state_.now;
    const std::string_view style = record_.get("Style").value_or("Single");
    if (style == "Double")
      b.style = bar_style::double_bar;
    else if (style == "SectionOpen")
      b.style = bar_style::section_open;
    else if (style == "SectionClose")
      b.style = bar_style::section_close;
    else if (style == "MasterRepeatOpen" || style == "LocalRepeatOpen")
      b.style = bar_style::repeat_open;
    else if (style == "MasterRepeatClose" || style == "LocalRepeatClose")
      b.style = bar_style::repeat_close;
    b.local = style.starts_with("Local");
    if (const std::optional<int> n = read_int(record_.get("Repeat").value_or(""));
        n && *n >= 2 && *n <= 99)
      b.repeat_count = *n;
    if (record_.get("Visibility").value_or("") == "Never") b.style = bar_style::invisible;
    b.system_break = record_.get("SysBreak").value_or("") == "Y";
    s.items.emplace_back(b);
  }

  void tempo() {
    staff& s = current();
    tempo_mark t;
    t.line = number_;
    t.onset = state_.now;
    const std::optional<int> bpm = read_int(record_.get("Tempo").value_or(""));
    if (!bpm || *bpm <= 0)
      return note_problem(number_, "tempo without a number of beats per minute left out");
    t.beats_per_minute = *bpm;
    const std::string_view base = record_.get("Base").value_or("Quarter");
    if (base.starts_with("Eighth")) t.base = 8;
    if (base.starts_with("Half")) t.base = 2;
    if (base.ends_with("Dotted")) t.dots = 1;
    if (const auto text = record_.get("Text")) t.text = unquote(*text);
    t.visible = record_.get("Visibility").value_or("") != "Never";
    s.items.emplace_back(std::move(t));
  }

  // Reads Dur/Pos (or Dur2/Pos2) into a chord part; false when the duration is unknown.
  bool read_part(std::string_view dur_name, std::string_view pos_name, bool rest, chord_part& part,
                 duration_value& d) {
    d = read_duration(record_.get(dur_name).value_or(""));
    if (d.base == 0) {
      note_problem(number_, "unknown duration \"" +
                                std::string(record_.get(dur_name).value_or("")) +
                                "\"; the event is left out");
      return false;
    }
    part.base = d.base;
    part.dots = d.dots;
    part.triplet = d.triplet;
    rational length(1, d.base);
    if (d.dots == 1) length = length * rational(3, 2);
    if (d.dots == 2) length = length * rational(7, 4);
    if (d.triplet) length = length * rational(2, 3);
    part.length = length;
    if (rest) return true;
    for_each_item(record_.get(pos_name).value_or(""), [&](std::string_view item) {
      const std::optional<position_item> p = read_position(item);
      if (!p) {
        note_problem(number_, "note position \"" + std::string(item) + "\" left out");
        return;
      }
      note n;
      n.position = p->position;
      n.accidental = p->accidental;
      n.tie = p->tie;
      n.written_tie = p->tie;
      n.head = p->head;
      part.notes.push_back(n);
    });
    return true;
  }

  void event_record() {
    staff& s = current();
    event e;
    e.line = number_;
    const bool rest_first = record_.name == "Rest" || record_.name == "RestChord";
    duration_value d;
    if (!read_part("Dur", "Pos", rest_first, e.main, d)) return;
    if (!rest_first && e.main.notes.empty()) {
      note_problem(number_, "a " + std::string(record_.name) + " without notes is left out");
      return;
    }
    duration_value d2;
    if (record_.has("Dur2") && record_.has("Pos2")) {
      if (!read_part("Dur2", "Pos2", false, e.second, d2)) return;
      e.has_second = !e.second.notes.empty();
    }
    e.grace = d.grace && !e.is_rest();
    e.slur = d.slur;
    e.visible = record_.get("Visibility").value_or("") != "Never";
    e.articulations = read_articulations(record_);
    e.hairpin = read_hairpin_option(record_);
    for_each_item(record_.get("Opts").value_or(""), [&](std::string_view opt) {
      if (opt == "Lyric=Never") e.lyric = lyric_option::never;
      if (opt == "Lyric=Always") e.lyric = lyric_option::always;
      if (opt == "Beam=First") e.beam = beam_mark::first;
      if (opt == "Beam") e.beam = beam_mark::middle;
      if (opt == "Beam=End") e.beam = beam_mark::end;
      if (opt == "Stem=Up") e.stem = stem_direction::up;
      if (opt == "Stem=Down") e.stem = stem_direction::down;
      if (opt == "Muted") e.muted = true;
    });
    triplets(e, d);
    e.onset = state_.now;
    e.advance = e.grace                                           ? rational(0)
                : e.has_second && e.second.length < e.main.length ? e.second.length
                                                                  : e.main.length;
    resolve_pitches(s, e);
    // A rest chord sounds its notes under a rest: like a rest, it takes no syllable.
    const bool sings = !e.main.notes.empty() && !e.grace;
    e.takes_syllable =
        sings && e.lyric != lyric_option::never && !all_tied_from(e) && !state_.previous_slur;
    if (e.lyric == lyric_option::always && sings) e.takes_syllable = true;
    state_.previous_slur = e.slur;
    state_.now += e.advance;
    state_.previous_event = s.items.size();
    if (!e.grace) {
      state_.measure_events.push_back(s.items.size());
      if (!state_.open_has_note) state_.open.expected = state_.time.measure_length();
      state_.open_has_note = true;
    }
    s.items.emplace_back(std::move(e));
  }

  void triplets(event& e, const duration_value& d) {
    if (!d.triplet) {
      if (state_.triplet_open) unclosed_triplet();
      return;
    }
    if (d.triplet_first) {
      if (state_.triplet_open) unclosed_triplet();
      state_.triplet_open = true;
      state_.triplet_open_line = number_;
      e.triplet = triplet_mark::first;
    } else if (d.triplet_end) {
      e.triplet = triplet_mark::end;
      state_.triplet_open = false;
    } else {
      e.triplet = triplet_mark::middle;
    }
  }

  void unclosed_triplet() {
    note_problem(state_.triplet_open_line, "a triplet group that begins here does not close");
    state_.triplet_open = false;
  }

  static bool all_tied_from(const event& e) {
    bool any = false;
    for (const chord_part* part : {&e.main, &e.second}) {
      for (const note& n : part->notes) {
        if (!n.tied_from) return false;
        any = true;
      }
    }
    return any;
  }

  // Clef and octave shift give the step; the key, the accidentals earlier in the bar and a
  // tie from the event before give the alteration.
  void resolve_pitches(staff& s, event& e) {
    event* before = nullptr;
    if (state_.previous_event) before = std::get_if<event>(&s.items[*state_.previous_event]);
    const int offset = clef_offset(state_.clef.kind) + 7 * state_.clef.octave_shift;
    for (chord_part* part : {&e.main, &e.second}) {
      for (note& n : part->notes) {
        const int diatonic = n.position + offset;
        n.sound.octave = floor_div(diatonic, 7);
        n.sound.step = diatonic - 7 * n.sound.octave;
        const int by_key = state_.key[static_cast<std::size_t>(n.sound.step)];
        // An accidental holds for the pitch written, which a clef change does not move.
        const auto held = state_.bar_accidentals.find(diatonic);
        const int in_force = held != state_.bar_accidentals.end() ? held->second : by_key;
        note* source = tie_source(before, n);
        if (n.accidental != 0) {
          n.sound.alteration = accidental_alteration(n.accidental);
          n.redundant_accidental = n.sound.alteration == in_force;
          state_.bar_accidentals[diatonic] = n.sound.alteration;
        } else if (source) {
          // A tie hands its pitch over, across a bar line too, and with it the accidental
          // for the rest of this bar.
          n.sound.alteration = source->sound.alteration;
          state_.bar_accidentals[diatonic] = n.sound.alteration;
        } else {
          n.sound.alteration = in_force;
        }
        if (source && source->sound == n.sound) {
          n.tied_from = true;
          source->tie = true;
          tied_sources_.push_back(source);
        }
      }
    }
    // Tie marks that found no note of their pitch in this event lead nowhere.
    if (before) {
      for (chord_part* part : {&before->main, &before->second})
        for (note& n : part->notes)
          if (n.tie && !confirmed(&n)) n.tie = false;
    }
    tied_sources_.clear();
  }

  bool confirmed(const note* n) const {
    for (const note* s : tied_sources_)
      if (s == n) return true;
    return false;
  }

  note* tie_source(event* before, const note& n) {
    if (!before || before->grace) return nullptr;
    for (chord_part* part : {&before->main, &before->second})
      for (note& candidate : part->notes)
        if (candidate.position == n.position && pending_tie(candidate)) return &candidate;
    return nullptr;
  }

  // A tie mark as written waits on the previous event until this one confirms it; the
  // `tie` flag holds the written mark until then.
  static bool pending_tie(const note& n) { return n.tie; }

  // Every written tie goes to the next note on its staff position once the tied note has
  // sounded, in the tied note's measure or the next: the next event as a rule, a chord after
  // the notes between where a broken chord lets its notes ring, the main note after a grace
  // note. A tie whose note there has another pitch, or that finds none, leads nowhere.
  static void link_ties(staff& s) {
    for (std::size_t i = 0; i < s.items.size(); ++i) {
      auto* e = std::get_if<event>(&s.items[i]);
      if (!e) continue;
      for (chord_part* part : {&e->main, &e->second}) {
        const rational end = e->grace ? e->onset : e->onset + part->length;
        for (note& n : part->notes)
          if (n.written_tie) n.tied_to = tie_end(s, i, end, n);
      }
    }
  }

  static std::optional<note_ref> tie_end(const staff& s, std::size_t from, rational end,
                                         const note& n) {
    int bars = 0;
    for (std::size_t i = from + 1; i < s.items.size() && bars < 2; ++i) {
      if (std::holds_alternative<bar_line>(s.items[i])) ++bars;
      const auto* e = std::get_if<event>(&s.items[i]);
      if (!e || e->onset < end) continue;
      for (int p = 0; p < 2; ++p) {
        const std::vector<note>& notes = (p == 0 ? e->main : e->second).notes;
        for (std::size_t k = 0; k < notes.size(); ++k)
          if (notes[k].position == n.position) {
            if (notes[k].sound != n.sound) return std::nullopt;
            return note_ref{i, p, k};
          }
      }
    }
    return std::nullopt;
  }

  // A whole rest alone in its measure lasts the whole measure, whatever the time signature.
  void close_measure(bool closed) {
    staff& s = model_.staves.back();
    if (state_.measure_events.size() == 1) {
      event& e = std::get<event>(s.items[state_.measure_events.front()]);
      if (e.is_rest() && !e.has_second && e.main.base == 1 && e.main.dots == 0 && !e.main.triplet) {
        const rational length = state_.time.measure_length();
        const rational old_end = e.onset + e.advance;
        e.full_measure_rest = true;
        e.main.length = e.advance = length;
        state_.now = e.onset + length;
        for (std::size_t i = state_.measure_events.front() + 1; i < s.items.size(); ++i)
          std::visit(
              [&](auto& it) {
                if constexpr (requires { it.onset; })
                  if (it.onset == old_end) it.onset = state_.now;
              },
              s.items[i]);
      }
    }
    state_.measure_events.clear();
    state_.bar_accidentals.clear();
    record_measure(s, closed);
  }

  // The measure ends here: at the bar line about to be added, or with the staff.
  void record_measure(staff& s, bool closed) {
    measure& m = state_.open;
    m.end_item = s.items.size();
    m.length = state_.now - m.onset;
    m.closed = closed;
    if (!state_.open_has_note) m.expected = state_.time.measure_length();
    s.measures.push_back(m);
    state_.open = measure{};
    state_.open.first_item = s.items.size() + 1;
    state_.open.onset = state_.now;
    state_.open_has_note = false;
  }

  void close_staff() {
    if (state_.triplet_open) unclosed_triplet();
    close_measure(false);
    staff& s = model_.staves.back();
    link_ties(s);
    // A tie mark on the last event leads nowhere.
    if (state_.previous_event)
      if (event* last = std::get_if<event>(&s.items[*state_.previous_event]))
        for (chord_part* part : {&last->main, &last->second})
          for (note& n : part->notes)
            n.tie = false;
  }

 public:
  void resolve_old_brackets() {
    for (std::size_t i = 0; i + 1 < old_orchestral_.size(); ++i)
      if (old_orchestral_[i + 1] == old_orchestral_[i] + 1 &&
          model_.staves[old_orchestral_[i]].group == group_with_next::none)
        model_.staves[old_orchestral_[i]].group = group_with_next::bracket;
  }

 private:
  score& model_;
  record record_;
  int number_ = 0;
  bool staff_started_ = false;
  staff_state state_;
  std::vector<note*> tied_sources_;
  std::vector<std::size_t> old_orchestral_;
  std::vector<std::size_t> staff_lines_;
};

// Lines before the first |AddStaff line, then the lines of each staff.
std::vector<std::size_t> lines_per_staff(std::string_view text) {
  std::vector<std::size_t> counts(1, 0);
  for (const std::string_view line : util::lines(text)) {
    if (line.starts_with("|AddStaff")) counts.push_back(0);
    ++counts.back();
  }
  return counts;
}

// "2.751" from a header line that holds "!NoteWorthyComposer(2.751)" at `at`.
std::string header_version(std::string_view line, std::size_t at) {
  const std::string_view rest = line.substr(at + header_start.size() - 2);
  return std::string(rest.substr(0, rest.find(')')));
}

}  // namespace

reading read_nwctxt(std::string_view text) {
  reading result;
  if (text.size() > max_score_bytes) {
    result.error = "the score is larger than 32 MiB, which no NoteWorthy Composer score comes near";
    return result;
  }
  score& model = result.model;
  reader walk(model, lines_per_staff(text));
  bool header = false;
  int number = 0;
  for (std::string_view line : util::lines(text)) {
    ++number;
    if (line.ends_with('\r')) line.remove_suffix(1);
    if (!header) {
      const std::size_t at = line.find(header_start);
      if (at != std::string_view::npos) {
        model.version = header_version(line, at);
        header = true;
        continue;
      }
      // Blank lines may stand before the header; anything else means there is none.
      if (line.find_first_not_of(" \t") == std::string_view::npos) continue;
      break;
    }
    if (line.starts_with(end_marker)) {
      model.has_end_marker = true;
      break;
    }
    walk.line(line, number);
  }
  if (!header) {
    result.error = "not a NoteWorthy Composer text score (no !NoteWorthyComposer(2.x) header)";
    return result;
  }
  walk.finish();
  walk.resolve_old_brackets();
  if (!model.has_end_marker)
    model.diagnostics.push_back(
        {number, "the score has no end marker !NoteWorthyComposer-End; read to its last line"});
  result.ok = true;
  return result;
}

}  // namespace choirly::score
