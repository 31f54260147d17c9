// The ANSI code page of a binary score's strings, which the file does not record, and the
// writing of those strings into the text format without splitting a double-byte character.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace choirly::nwc {

constexpr int western_code_page = 1252;

// The double-byte code pages tried, in this order: Korean (every such file in the corpus,
// the Japanese-language one included, was saved on Korean Windows), Japanese, Simplified and
// Traditional Chinese.
constexpr std::array<int, 4> double_byte_code_pages = {949, 932, 936, 950};

// Tallies the bytes above 127 of every string of a score, for each double-byte code page.
class code_page_votes {
 public:
  void add(std::string_view text);
  // The rule: the first double-byte code page in which (1) at least two characters have both
  // bytes above 127, and at least half of its two-byte characters do, and (2) at most one
  // byte in ten of those above 127 is a stray that forms no character; otherwise
  // Windows-1252. A Western accented letter is nearly always followed by a plain letter,
  // which some double-byte code pages take as a second byte, but two accented letters in a
  // row are rare; Hangul, kana and hanzi mostly have both bytes high. The stray allowance
  // keeps a template's "Copyright \xA9 <Year>" from turning a Korean score Western.
  int choice() const;

 private:
  struct tally {
    long pairs = 0;       // two-byte characters
    long high_pairs = 0;  // ... whose second byte is above 127 too
    long singles = 0;     // one-byte characters above 127 (half-width katakana in 932)
    long strays = 0;      // bytes above 127 that form no character
  };
  std::array<tally, double_byte_code_pages.size()> tallies_{};
};

// Appends `text` (in `code_page`) as the body of a quoted text-format string: the escapes
// \" \' \| \\ \n \r \t for single bytes, double-byte characters kept whole, and each byte that
// forms no character of a double-byte code page, with the byte after it, given as '?', as
// NoteWorthy's own converter does.
void append_escaped(std::string& out, std::string_view text, int code_page);

}  // namespace choirly::nwc
