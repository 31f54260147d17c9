// Note, chord, rest and rest-chord records: the seven record forms, durations, position
// items with their accidentals and ties, and the note words they pack into.
#include "translate/event_records.hpp"

#include <cstdio>

#include "limits.hpp"
#include "text_scan.hpp"

namespace choirly {

namespace {

// Field and item buffers hold a whole stored line, so no field can be cut or overflow.
using field_buffer = char[stored_line_max + 1];

constexpr std::string_view rest_text = "REST";

struct voice_fields {
  std::string_view duration;
  std::string_view positions;
};

struct duration_name {
  std::string_view name;
  std::uint32_t units;
};
// "64th" comes before "4th", which it contains.
constexpr duration_name duration_names[] = {
    {"Whole", 128}, {"Half", 64}, {"64th", 2}, {"4th", 32}, {"8th", 16}, {"16th", 8}, {"32nd", 4},
};

// Explicit accidental prefixes of a position item, in the order they are tried.
struct accidental_prefix {
  char prefix;
  std::uint32_t code;
};
constexpr accidental_prefix accidental_prefixes[] = {
    {'b', accidental_flat},         {'v', accidental_double_flat}, {'#', accidental_sharp},
    {'x', accidental_double_sharp}, {'n', accidental_natural},
};

struct item_pitch {
  std::uint32_t position;
  std::uint32_t accidental;
  bool tied;
  bool read = true;  // false for an item that no form reads
};

// Reads one position item: an optional accidental prefix, the staff position, and the
// character right after the number ("^" ties the note).
item_pitch read_item(std::string_view item, std::int32_t clef_offset) {
  std::uint32_t code = accidental_none;
  std::size_t start = 0;
  for (const accidental_prefix& p : accidental_prefixes) {
    if (!item.empty() && item[0] == p.prefix) {
      code = p.code;
      start = 1;
      break;
    }
  }
  std::int32_t number = 0;
  const std::size_t used = scan_decimal(item.substr(start), number);
  if (used == 0) return {0, accidental_none, false, false};  // position 0, no offset
  std::int64_t position = std::int64_t{number} + clef_offset;
  if (position < 0) position = 0;
  if (position > 254) position = 254;  // a note never turns into a rest
  const std::size_t after = start + used;
  const bool tied = after < item.size() && item[after] == '^';
  return {static_cast<std::uint32_t>(position), code, tied};
}

// Adds the words of one voice to the event.
void add_voice(const voice_fields& voice, std::int32_t clef_offset, std::int32_t key_index,
               event_words& event) {
  const std::uint32_t duration = duration_units_of(voice.duration);
  const bool slurred = contains(voice.duration, ",Slur");
  const std::uint32_t common = (duration & duration_mask) << duration_shift |
                               (static_cast<std::uint32_t>(key_index) & key_mask) << key_shift |
                               (slurred ? slur_bit : 0);
  auto store = [&](const item_pitch& pitch) {
    const std::uint32_t word =
        pitch.position | pitch.accidental << accidental_shift | (pitch.tied ? tie_bit : 0) | common;
    if (!pitch.read) event.unread_words |= 1u << event.word_count;
    event.words[event.word_count++] = static_cast<note_word>(word);
  };

  if (voice.positions == rest_text) {
    store({rest_position, accidental_none, false});
    return;
  }
  // A field without a comma is a single note: the split would take the whole field as its
  // one item (a field never holds an apostrophe), so the scan is spared.
  if (!contains(voice.positions, ",")) {
    const item_pitch pitch = read_item(voice.positions, clef_offset);
    store(pitch);
    return;
  }
  // The split reads at most four items; a fifth note and beyond is lost.
  static char text[stored_line_max + 1];
  static field_buffer items[4];
  const std::size_t n = voice.positions.copy(text, stored_line_max);
  text[n] = '\0';
  const int count = std::sscanf(text, "%200[^','],%200[^','],%200[^','],%200s", items[0], items[1],
                                items[2], items[3]);
  for (int i = 0; i < count; ++i) {
    const item_pitch pitch = read_item(items[i], clef_offset);
    store(pitch);
  }
}

void add_voices(const voice_fields (&voices)[2], int voice_count, std::int32_t clef_offset,
                std::int32_t key_index, event_words& event) {
  event.word_count = 0;
  event.unread_words = 0;
  for (int v = 0; v < voice_count; ++v)
    add_voice(voices[v], clef_offset, key_index, event);
}

}  // namespace

std::uint32_t duration_units_of(std::string_view field) {
  std::uint32_t units = 0;
  for (const duration_name& d : duration_names) {
    if (contains(field, d.name)) {
      units = d.units;
      break;
    }
  }
  if (contains(field, ",Dotted")) units += units / 2;
  return units;
}

bool parse_rest_event(std::string_view line, std::int32_t clef_offset, std::int32_t key_index,
                      event_words& event) {
  static field_buffer f[3];
  const char* text = line.data();  // stored lines end with a terminating zero
  // The two-voice forms need a second duration; a line without one skips their scans.
  if (starts_with(line, "|RestChord|Dur:") && contains(line, "|Dur2:")) {
    if (std::sscanf(text, "|RestChord|Dur:%200[^'|']|Opts:%*[^'|']|Dur2:%200[^'|']|Pos2:%200[^'|']",
                    f[0], f[1], f[2]) == 3 ||
        std::sscanf(text, "|RestChord|Dur:%200[^'|']|Dur2:%200[^'|']|Pos2:%200[^'|']", f[0], f[1],
                    f[2]) == 3) {
      add_voices({{f[0], rest_text}, {f[1], f[2]}}, 2, clef_offset, key_index, event);
      return true;
    }
  }
  if (starts_with(line, "|Rest|Dur:") && std::sscanf(text, "|Rest|Dur:%200[^'|']", f[0]) == 1) {
    add_voices({{f[0], rest_text}, {}}, 1, clef_offset, key_index, event);
    return true;
  }
  return false;
}

bool parse_note_event(std::string_view line, std::int32_t clef_offset, std::int32_t key_index,
                      event_words& event) {
  static field_buffer f[4];
  const char* text = line.data();  // stored lines end with a terminating zero
  if (starts_with(line, "|Chord|Dur:")) {
    // The two-voice forms need a second duration; a line without one skips their scans.
    const bool may_have_two_voices = contains(line, "|Dur2:");
    if (may_have_two_voices &&
        (std::sscanf(text,
                     "|Chord|Dur:%200[^'|']|Pos:%200[^'|']|Opts:%*[^'|']|Dur2:%200[^'|']"
                     "|Pos2:%200[^'|']",
                     f[0], f[1], f[2], f[3]) == 4 ||
         std::sscanf(text, "|Chord|Dur:%200[^'|']|Pos:%200[^'|']|Dur2:%200[^'|']|Pos2:%200[^'|']",
                     f[0], f[1], f[2], f[3]) == 4)) {
      add_voices({{f[0], f[1]}, {f[2], f[3]}}, 2, clef_offset, key_index, event);
      return true;
    }
    if (std::sscanf(text, "|Chord|Dur:%200[^'|']|Pos:%200[^'|']", f[0], f[1]) == 2) {
      add_voices({{f[0], f[1]}, {}}, 1, clef_offset, key_index, event);
      return true;
    }
  }
  if (starts_with(line, "|Note|Dur:") &&
      std::sscanf(text, "|Note|Dur:%200[^'|']|Pos:%200[^'|']", f[0], f[1]) == 2) {
    add_voices({{f[0], f[1]}, {}}, 1, clef_offset, key_index, event);
    return true;
  }
  return false;
}

}  // namespace choirly
