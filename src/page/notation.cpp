// Pitches, durations, clefs, keys, bar lines, strings and identifiers as LilyPond writes them.
#include "page/notation.hpp"

#include <array>
#include <optional>
#include <set>

namespace choirly::page {

using score::rational;

std::string pitch_text(const score::pitch& p) {
  static constexpr std::string_view letters = "cdefgab";
  std::string text(1, letters[static_cast<std::size_t>(p.step)]);
  switch (p.alteration) {
    case 2:
      text += "isis";
      break;
    case 1:
      text += "is";
      break;
    case -1:
      text += "es";
      break;
    case -2:
      text += "eses";
      break;
    default:
      break;
  }
  // Middle C's octave is c' in absolute mode.
  const int marks = p.octave + 1;
  text.append(static_cast<std::size_t>(marks > 0 ? marks : -marks), marks > 0 ? '\'' : ',');
  return text;
}

std::string duration_text(int base, int dots) {
  std::string text = std::to_string(base);
  text.append(static_cast<std::size_t>(dots), '.');
  return text;
}

std::string length_text(rational length) {
  for (int base = 1; base <= 64; base *= 2) {
    rational value(1, base);
    rational add(1, base * 2);
    for (int dots = 0; dots <= 2; ++dots) {
      if (value == length) return duration_text(base, dots);
      value += add;
      add = add * rational(1, 2);
    }
  }
  if (length.den == 1) return "1*" + std::to_string(length.num);
  return "1*" + length.text();
}

std::string moment_text(rational length) {
  return "#(ly:make-moment " + length.text() + ")";
}

std::string quoted(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    // A line end inside a header text reads as a blank.
    out += c == '\n' || c == '\t' ? ' ' : c;
  }
  return out + "\"";
}

std::string head_text(char head) {
  // The nearest of LilyPond's head styles to NoteWorthy's shapes.
  static constexpr std::array<std::pair<char, std::string_view>, 6> styles = {{
      {'X', "xcircle"},
      {'y', "diamond"},
      {'Y', "harmonic-black"},
      {'z', "triangle"},
      {'a', "slash"},
      {'b', "slash"},
  }};
  if (head == 'x') return "\\xNote ";
  for (const auto& [letter, style] : styles)
    if (head == letter) return "\\tweak style #'" + std::string(style) + " ";
  return "";
}

std::string syllable_text(std::string_view text) {
  bool plain = !text.empty();
  for (char c : text) {
    const unsigned char u = static_cast<unsigned char>(c);
    const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || u >= 0x80;
    if (!letter && c != '\'' && c != ',' && c != '!' && c != '?' && c != ';' && c != ':')
      plain = false;
  }
  // A syllable that ends in punctuation could still be read as a command or a duration
  // only when it starts with one; letters first keep it a word.
  if (plain) {
    const unsigned char first = static_cast<unsigned char>(text[0]);
    if (!((text[0] >= 'a' && text[0] <= 'z') || (text[0] >= 'A' && text[0] <= 'Z') ||
          first >= 0x80))
      plain = false;
  }
  return plain ? std::string(text) : quoted(text);
}

std::string number_word(int n) {
  static constexpr std::array<std::string_view, 20> small = {
      "Zero",     "One",     "Two",     "Three",     "Four",     "Five",    "Six",
      "Seven",    "Eight",   "Nine",    "Ten",       "Eleven",   "Twelve",  "Thirteen",
      "Fourteen", "Fifteen", "Sixteen", "Seventeen", "Eighteen", "Nineteen"};
  static constexpr std::array<std::string_view, 10> tens = {
      "", "", "Twenty", "Thirty", "Forty", "Fifty", "Sixty", "Seventy", "Eighty", "Ninety"};
  if (n < 0) return "Minus" + number_word(-n);
  if (n < 20) return std::string(small[static_cast<std::size_t>(n)]);
  if (n < 100)
    return std::string(tens[static_cast<std::size_t>(n / 10)]) +
           (n % 10 ? std::string(small[static_cast<std::size_t>(n % 10)]) : "");
  if (n < 1000)
    return std::string(small[static_cast<std::size_t>(n / 100)]) + "Hundred" +
           (n % 100 ? number_word(n % 100) : "");
  return number_word(n / 1000) + "Thousand" + (n % 1000 ? number_word(n % 1000) : "");
}

std::string identifier(std::string_view name) {
  std::string out;
  bool new_word = false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    const char c = name[i];
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) {
      char letter = c;
      if (out.empty() && letter >= 'A' && letter <= 'Z') letter = static_cast<char>(c - 'A' + 'a');
      if (!out.empty() && new_word && letter >= 'a' && letter <= 'z')
        letter = static_cast<char>(c - 'a' + 'A');
      out += letter;
      new_word = false;
    } else if (c >= '0' && c <= '9') {
      int n = 0;
      while (i < name.size() && name[i] >= '0' && name[i] <= '9' && n < 100000)
        n = n * 10 + (name[i++] - '0');
      while (i < name.size() && name[i] >= '0' && name[i] <= '9')
        ++i;
      --i;
      std::string word = number_word(n);
      if (out.empty()) word[0] = static_cast<char>(word[0] - 'A' + 'a');
      out += word;
      new_word = true;
    } else {
      new_word = true;
    }
  }
  return out;
}

namespace {

// The major key whose signature is this list, as the number of sharps (negative: flats);
// nullopt when no key has it.
std::optional<int> standard_key(const score::key_change& k) {
  static constexpr int sharp_order[7] = {3, 0, 4, 1, 5, 2, 6};  // F C G D A E B
  static constexpr int flat_order[7] = {6, 2, 5, 1, 4, 0, 3};   // B E A D G C F
  if (k.alterations.empty()) return 0;
  const int sign = k.alterations.front().second;
  if (sign != 1 && sign != -1) return std::nullopt;
  const int* order = sign > 0 ? sharp_order : flat_order;
  std::set<int> steps;
  for (const auto& [step, alteration] : k.alterations) {
    if (alteration != sign) return std::nullopt;
    steps.insert(step);
  }
  const int count = static_cast<int>(steps.size());
  for (int i = 0; i < count; ++i)
    if (!steps.count(order[i])) return std::nullopt;
  return sign * count;
}

}  // namespace

std::string clef_text(const score::clef_change& c) {
  std::string name;
  switch (c.kind) {
    case score::clef_kind::treble:
      name = "treble";
      break;
    case score::clef_kind::bass:
      name = "bass";
      break;
    case score::clef_kind::alto:
      name = "alto";
      break;
    case score::clef_kind::tenor:
      name = "tenor";
      break;
    case score::clef_kind::percussion:
      // The notes stand where the bass clef puts them: middle C six steps up.
      return "\\clef percussion \\set Staff.middleCClefPosition = #6 "
             "\\applyContext #ly:set-middle-C!";
  }
  if (c.octave_shift < 0) return "\\clef \"" + name + "_8\"";
  if (c.octave_shift > 0) return "\\clef \"" + name + "^8\"";
  return "\\clef " + name;
}

std::string key_text(const score::key_change& k) {
  const std::optional<int> sharps = standard_key(k);
  if (!sharps) {
    std::string alist;
    for (const auto& [step, alteration] : k.alterations)
      alist += (alist.empty() ? "(" : " (") + std::to_string(step) + " . " +
               (alteration > 0 ? ",SHARP" : ",FLAT") + ")";
    return "\\set Staff.keyAlterations = #`(" + alist + ")";
  }
  // The major tonic goes up a fifth (four steps) for each sharp.
  const int major_step = ((*sharps * 4) % 7 + 7) % 7;
  const int tonic = k.tonic_step >= 0 ? k.tonic_step : major_step;
  std::array<int, 7> by_key{};
  for (const auto& [step, alteration] : k.alterations)
    by_key[static_cast<std::size_t>(step)] = alteration;
  score::pitch p;
  p.step = tonic;
  p.alteration = by_key[static_cast<std::size_t>(tonic)];
  p.octave = -1;  // no octave marks
  static constexpr std::array<std::string_view, 7> modes = {
      "\\major", "\\dorian", "\\phrygian", "\\lydian", "\\mixolydian", "\\minor", "\\locrian"};
  const int degree = ((tonic - major_step) % 7 + 7) % 7;
  return "\\key " + pitch_text(p) + " " + std::string(modes[static_cast<std::size_t>(degree)]);
}

std::string bar_text(score::bar_style style) {
  switch (style) {
    case score::bar_style::double_bar:
      return "\\bar \"||\"";
    case score::bar_style::section_open:
      return "\\bar \".|\"";
    case score::bar_style::section_close:
      return "\\bar \"|.\"";
    case score::bar_style::invisible:
      return "\\bar \"\"";
    default:
      // Plain and repeat bars: LilyPond draws a plain one by itself, the repeats write theirs.
      return "";
  }
}

}  // namespace choirly::page
