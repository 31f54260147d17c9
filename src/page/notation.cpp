// Pitches, durations, strings and identifiers as LilyPond writes them.
#include "page/notation.hpp"

#include <array>

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
  return std::to_string(base) + std::string(static_cast<std::size_t>(dots), '.');
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

}  // namespace choirly::page
