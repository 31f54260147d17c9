// Note, chord, rest and rest-chord records: the seven record forms, durations, position
// items with their accidentals and ties, and the note words they pack into.
#include "translate/event_records.hpp"

#include <array>
#include <bit>
#include <iterator>
#include <utility>

#include "limits.hpp"
#include "text_scan.hpp"

namespace choirly {

namespace {

namespace forms = record_formats;

constexpr std::string_view rest_text = "REST";

struct voice_fields {
  std::string_view duration;
  std::string_view positions;
};

// The names searched for in a duration field. The first seven give the base value, and the
// first of them that occurs counts ("64th" comes before "4th", which it contains); then the
// dot and the slur.
struct duration_name {
  std::string_view name;
  std::uint32_t units;
};
constexpr duration_name duration_names[] = {
    {"Whole", 128}, {"Half", 64}, {"64th", 2},    {"4th", 32},  {"8th", 16},
    {"16th", 8},    {"32nd", 4},  {",Dotted", 0}, {",Slur", 0},
};
constexpr unsigned base_names = (1u << 7) - 1;
constexpr unsigned dotted_name = 1u << 7;
constexpr unsigned slur_name = 1u << 8;

// For each character, the names that begin with it.
constexpr std::array<std::uint16_t, 256> names_by_initial = [] {
  std::array<std::uint16_t, 256> names{};
  for (std::size_t i = 0; i < std::size(duration_names); ++i)
    names[static_cast<unsigned char>(duration_names[i].name[0])] |= 1u << i;
  return names;
}();

// The names that each base name holds, itself included ("64th" holds "4th").
constexpr std::array<unsigned, std::size(duration_names)> names_held = [] {
  std::array<unsigned, std::size(duration_names)> held{};
  for (std::size_t i = 0; i < held.size(); ++i)
    for (std::size_t j = 0; j < held.size(); ++j)
      if (duration_names[i].name.find(duration_names[j].name) != std::string_view::npos)
        held[i] |= 1u << j;
  return held;
}();

// Which of the names occur in the field, in one walk over it.
unsigned names_in(std::string_view field) {
  // Most fields are a base name alone.
  for (std::size_t i = 0; i < std::size(duration_names); ++i)
    if (base_names >> i & 1u && field == duration_names[i].name) return names_held[i];
  unsigned found = 0;
  for (std::size_t at = 0; at < field.size(); ++at) {
    for (unsigned candidates = names_by_initial[static_cast<unsigned char>(field[at])];
         candidates != 0; candidates &= candidates - 1) {
      const int i = std::countr_zero(candidates);
      if (starts_with(tail(field, at), duration_names[i].name)) found |= 1u << i;
    }
  }
  return found;
}

std::uint32_t units_of(unsigned found) {
  const unsigned base = found & base_names;
  std::uint32_t units = base != 0 ? duration_names[std::countr_zero(base)].units : 0;
  if (found & dotted_name) units += units / 2;
  return units;
}

// The accidental of each position item form, in the order of the forms.
constexpr std::uint32_t item_accidentals[] = {
    accidental_flat,         accidental_double_flat, accidental_sharp,
    accidental_double_sharp, accidental_natural,     accidental_none,
};
static_assert(std::size(item_accidentals) == std::size(forms::item_forms));

struct item_pitch {
  std::uint32_t position;
  std::uint32_t accidental;
  bool tied;
  bool read = true;  // false for an item that no form reads
};

// Reads one position item by the first form that converts its number: the accidental, the
// staff position, and the character right after the number ("^" ties the note).
item_pitch read_item(std::string_view item, std::int32_t clef_offset) {
  std::int32_t number = 0;
  char after = 0;
  int count = 0;
  std::uint32_t code = accidental_none;
  const bool converted = [&]<std::size_t... I>(std::index_sequence<I...>) {
    return ((count = scan<forms::item_forms[I]>(item, number, after), code = item_accidentals[I],
             count >= 1) ||
            ...);
  }
  (std::make_index_sequence<std::size(forms::item_forms)>{});
  if (!converted) return {0, accidental_none, false, false};  // position 0, no offset
  std::int64_t position = std::int64_t{number} + clef_offset;
  if (position < 0) position = 0;
  if (position > 254) position = 254;  // a note never turns into a rest
  return {static_cast<std::uint32_t>(position), code, count == 2 && after == '^'};
}

// Adds the words of one voice to the event.
void add_voice(const voice_fields& voice, std::int32_t clef_offset, std::int32_t key_index,
               event_words& event) {
  const unsigned names = names_in(voice.duration);
  const std::uint32_t duration = units_of(names);
  const bool slurred = (names & slur_name) != 0;
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
  // The split reads at most four items; a fifth note and beyond is lost.
  std::string_view items[4];
  const int count =
      scan<forms::position_items>(voice.positions, items[0], items[1], items[2], items[3]);
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
  return units_of(names_in(field));
}

bool parse_rest_event(std::string_view line, std::int32_t clef_offset, std::int32_t key_index,
                      event_words& event) {
  std::string_view f[3];
  if (scan<forms::rest_chord_with_options>(line, f[0], f[1], f[2]) == 3 ||
      scan<forms::rest_chord>(line, f[0], f[1], f[2]) == 3) {
    add_voices({{f[0], rest_text}, {f[1], f[2]}}, 2, clef_offset, key_index, event);
    return true;
  }
  if (scan<forms::rest>(line, f[0]) == 1) {
    add_voices({{f[0], rest_text}, {}}, 1, clef_offset, key_index, event);
    return true;
  }
  return false;
}

bool parse_note_event(std::string_view line, std::int32_t clef_offset, std::int32_t key_index,
                      event_words& event) {
  std::string_view f[4];
  if (scan<forms::two_voice_chord_with_options>(line, f[0], f[1], f[2], f[3]) == 4 ||
      scan<forms::two_voice_chord>(line, f[0], f[1], f[2], f[3]) == 4) {
    add_voices({{f[0], f[1]}, {f[2], f[3]}}, 2, clef_offset, key_index, event);
    return true;
  }
  if (scan<forms::chord>(line, f[0], f[1]) == 2 || scan<forms::note>(line, f[0], f[1]) == 2) {
    add_voices({{f[0], f[1]}, {}}, 1, clef_offset, key_index, event);
    return true;
  }
  return false;
}

}  // namespace choirly
