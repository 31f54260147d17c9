// Pitch, rest and duration tokens: the only place that decides how a note is spelled.
#include "lilypond/note_printer.hpp"

#include <array>
#include <string_view>

#include "lilypond/text_output.hpp"

namespace choirly {

namespace {

enum mark : char { none = 0, flat = 1, sharp = 2 };

// The accidental that each key signature gives the steps c d e f g a b. Row k for k = 1..7
// flattens the first 8 - k steps of b e a d g c f; row k for k = 9..15 sharpens the first
// k - 8 steps of f c g d a e b.
constexpr std::array<std::array<mark, 7>, 16> key_accidental_table = {{
    //  c      d      e      f      g      a      b
    {none, none, none, none, none, none, none},         // 0: none
    {flat, flat, flat, flat, flat, flat, flat},         // 1: 7 flats
    {flat, flat, flat, none, flat, flat, flat},         // 2: 6 flats
    {none, flat, flat, none, flat, flat, flat},         // 3: 5 flats
    {none, flat, flat, none, none, flat, flat},         // 4: 4 flats
    {none, none, flat, none, none, flat, flat},         // 5: 3 flats
    {none, none, flat, none, none, none, flat},         // 6: 2 flats
    {none, none, none, none, none, none, flat},         // 7: 1 flat
    {none, none, none, none, none, none, none},         // 8: none (C major, A minor)
    {none, none, none, sharp, none, none, none},        // 9: 1 sharp
    {sharp, none, none, sharp, none, none, none},       // 10: 2 sharps
    {sharp, none, none, sharp, sharp, none, none},      // 11: 3 sharps
    {sharp, sharp, none, sharp, sharp, none, none},     // 12: 4 sharps
    {sharp, sharp, none, sharp, sharp, sharp, none},    // 13: 5 sharps
    {sharp, sharp, sharp, sharp, sharp, sharp, none},   // 14: 6 sharps
    {sharp, sharp, sharp, sharp, sharp, sharp, sharp},  // 15: 7 sharps
}};

constexpr std::array<std::string_view, 7> letters = {" c", " d", " e", " f", " g", " a", " b"};

// Explicit accidental codes 0..7; codes 0, 6 and 7 defer to the key signature.
constexpr std::array<std::string_view, 8> explicit_accidentals = {"",     "es", "eses", "is",
                                                                  "isis", "",   "",     ""};

// Octave marks by position / 7; octave 4 (middle C upward) has one apostrophe.
constexpr std::array<std::string_view, 9> octave_marks = {",,,", ",,",  ",",    "",     "'",
                                                          "''",  "'''", "''''", "'''''"};

struct duration_token {
  std::int64_t units;
  std::string_view text;
};
constexpr std::array<duration_token, 13> duration_tokens = {{
    {2, "64"},
    {3, "64."},
    {4, "32"},
    {6, "32."},
    {8, "16"},
    {12, "16."},
    {16, "8"},
    {24, "8."},
    {32, "4"},
    {48, "4."},
    {64, "2"},
    {96, "2."},
    {128, "1"},
}};

}  // namespace

void print_note(note_word word, std::FILE* out) {
  const std::uint32_t position = position_of(word);
  if (position == rest_position) {
    put(" r", out);
    return;
  }
  const std::uint32_t step = position % 7;
  put(letters[step], out);
  const std::uint32_t code = accidental_of(word);
  if (code == accidental_natural) {
    // a natural cancels the key signature and writes nothing
  } else if (code >= accidental_flat && code <= accidental_double_sharp) {
    put(explicit_accidentals[code], out);
  } else {
    const mark from_key = key_accidental_table[key_of(word)][step];
    if (from_key == flat) put("es", out);
    if (from_key == sharp) put("is", out);
  }
  const std::uint32_t octave = position / 7;
  if (octave < octave_marks.size()) put(octave_marks[octave], out);
}

std::string_view duration_text(std::int64_t units) {
  for (const duration_token& token : duration_tokens)
    if (token.units == units) return token.text;
  return "";
}

void print_duration(note_word word, std::FILE* out) {
  put(duration_text(duration_of(word)), out);
  if (has_bit(word, tie_bit)) put(" ~", out);
}

}  // namespace choirly
