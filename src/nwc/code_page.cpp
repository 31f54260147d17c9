// Code page choice for binary scores, and escaping that respects double-byte characters.
#include "nwc/code_page.hpp"

#include <cstdint>

namespace choirly::nwc {

namespace {

enum class byte_form { ascii, single, pair, stray };

bool in(unsigned b, unsigned low, unsigned high) {
  return b >= low && b <= high;
}

// What the byte at text[at] starts in `code_page`; `next` is the byte after it or -1.
byte_form form_at(unsigned lead, int next, int code_page) {
  if (lead < 0x80) return byte_form::ascii;
  const bool has_next = next >= 0;
  const auto trail = static_cast<unsigned>(next);
  switch (code_page) {
    case 949:  // Unified Hangul Code: KS X 1001 rows and the extension before them
      if (!has_next || !in(lead, 0x81, 0xFE)) return byte_form::stray;
      if (lead >= 0xC7) return in(trail, 0xA1, 0xFE) ? byte_form::pair : byte_form::stray;
      return in(trail, 0x41, 0x5A) || in(trail, 0x61, 0x7A) || in(trail, 0x81, 0xFE)
                 ? byte_form::pair
                 : byte_form::stray;
    case 932:  // Shift JIS, with one-byte half-width katakana
      if (in(lead, 0xA1, 0xDF)) return byte_form::single;
      if (!has_next || !(in(lead, 0x81, 0x9F) || in(lead, 0xE0, 0xFC))) return byte_form::stray;
      return in(trail, 0x40, 0x7E) || in(trail, 0x80, 0xFC) ? byte_form::pair : byte_form::stray;
    case 936:  // GBK
      if (!has_next || !in(lead, 0x81, 0xFE)) return byte_form::stray;
      return in(trail, 0x40, 0x7E) || in(trail, 0x80, 0xFE) ? byte_form::pair : byte_form::stray;
    case 950:  // Big5
      if (!has_next || !in(lead, 0x81, 0xFE)) return byte_form::stray;
      return in(trail, 0x40, 0x7E) || in(trail, 0xA1, 0xFE) ? byte_form::pair : byte_form::stray;
    default:  // one byte a character
      return byte_form::single;
  }
}

int byte_after(std::string_view text, std::size_t at) {
  return at + 1 < text.size() ? static_cast<unsigned char>(text[at + 1]) : -1;
}

}  // namespace

void code_page_votes::add(std::string_view text) {
  for (std::size_t k = 0; k < double_byte_code_pages.size(); ++k) {
    tally& t = tallies_[k];
    for (std::size_t at = 0; at < text.size();) {
      const auto lead = static_cast<unsigned char>(text[at]);
      const int next = byte_after(text, at);
      switch (form_at(lead, next, double_byte_code_pages[k])) {
        case byte_form::ascii:
          ++at;
          break;
        case byte_form::single:
          ++t.singles;
          ++at;
          break;
        case byte_form::pair:
          ++t.pairs;
          if (next >= 0x80) ++t.high_pairs;
          at += 2;
          break;
        case byte_form::stray:
          ++t.strays;
          ++at;
          break;
      }
    }
  }
}

int code_page_votes::choice() const {
  for (std::size_t k = 0; k < double_byte_code_pages.size(); ++k) {
    const tally& t = tallies_[k];
    const long high_bytes = t.pairs + t.high_pairs + t.singles + t.strays;
    const bool looks_double_byte = t.high_pairs >= 2 && t.high_pairs * 2 >= t.pairs;
    if (looks_double_byte && t.strays * 10 <= high_bytes) return double_byte_code_pages[k];
  }
  return western_code_page;
}

void append_escaped(std::string& out, std::string_view text, int code_page) {
  for (std::size_t at = 0; at < text.size();) {
    const char c = text[at];
    const auto lead = static_cast<unsigned char>(c);
    const int next = byte_after(text, at);
    switch (form_at(lead, next, code_page)) {
      case byte_form::pair:
        out.append(text.substr(at, 2));
        at += 2;
        continue;
      case byte_form::single:
        out += c;
        ++at;
        continue;
      case byte_form::stray:
        // The converter turned a lead byte and whatever followed it into one '?'.
        out += '?';
        at += next >= 0 && in(lead, 0x81, 0xFE) ? 2 : 1;
        continue;
      case byte_form::ascii:
        break;
    }
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\'':
        out += "\\'";
        break;
      case '|':
        out += "\\|";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        out += c;
    }
    ++at;
  }
}

}  // namespace choirly::nwc
