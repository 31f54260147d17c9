// Character conversions for choirly-engrave that need no system tables.
#include "engrave/text_encoding.hpp"

#include <array>

namespace choirly::engrave {

namespace {

constexpr char32_t replacement = 0xFFFD;

// Windows-1252 0x80-0x9F; the undefined five keep their own value (C1 controls).
constexpr std::array<char32_t, 32> windows_1252_high = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 0x80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 0x88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 0x90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 0x98
};

void append_utf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// Decodes the character at text[at] and moves past it. An invalid sequence gives U+FFFD and
// is passed over as far as it could have been the start of a valid one (its maximal part).
char32_t next_character(std::string_view text, std::size_t& at) {
  const auto lead = static_cast<unsigned char>(text[at++]);
  if (lead < 0x80) return lead;
  int more = 0;
  char32_t c = 0;
  unsigned char low = 0x80, high = 0xBF;  // range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    more = 1;
    c = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    more = 2;
    c = lead & 0x0F;
    if (lead == 0xE0) low = 0xA0;   // no overlong forms
    if (lead == 0xED) high = 0x9F;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    more = 3;
    c = lead & 0x07;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;  // nothing above U+10FFFF
  } else {
    return replacement;
  }
  for (int k = 0; k < more; ++k) {
    if (at >= text.size()) return replacement;
    const auto byte = static_cast<unsigned char>(text[at]);
    if (byte < low || byte > high) return replacement;
    low = 0x80;
    high = 0xBF;
    c = (c << 6) | (byte & 0x3F);
    ++at;
  }
  return c;
}

char to_windows_1252(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
  for (std::size_t i = 0; i < windows_1252_high.size(); ++i)
    if (windows_1252_high[i] == c) return static_cast<char>(0x80 + i);
  return '?';
}

}  // namespace

std::string clean_utf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t at = 0; at < text.size();) {
    // ASCII, nearly all of a score, is copied a run at a time.
    std::size_t end = at;
    while (end < text.size() && static_cast<unsigned char>(text[end]) < 0x80)
      ++end;
    out.append(text.substr(at, end - at));
    at = end;
    if (at < text.size()) append_utf8(out, next_character(text, at));
  }
  return out;
}

std::string windows_1252_to_utf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (std::size_t at = 0; at < bytes.size();) {
    // ASCII, nearly all of a score, is the same in both: copied a run at a time.
    std::size_t end = at;
    while (end < bytes.size() && static_cast<unsigned char>(bytes[end]) < 0x80)
      ++end;
    out.append(bytes.substr(at, end - at));
    if (end == bytes.size()) break;
    const auto b = static_cast<unsigned char>(bytes[end]);
    append_utf8(out, b < 0xA0 ? windows_1252_high[b - 0x80] : b);
    at = end + 1;
  }
  return out;
}

std::string utf8_to_windows_1252(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t at = 0; at < text.size();)
    out += to_windows_1252(next_character(text, at));
  return out;
}

std::string_view first_characters(std::string_view text, std::size_t count) {
  std::size_t at = 0;
  for (std::size_t taken = 0; at < text.size(); ++at) {
    const bool starts_character = (static_cast<unsigned char>(text[at]) & 0xC0) != 0x80;
    if (starts_character && taken++ == count) break;
  }
  return text.substr(0, at);
}

}  // namespace choirly::engrave
