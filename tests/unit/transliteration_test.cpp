// The Windows-1252 transliteration, byte by byte.
#include "driver/transliteration.hpp"

#include <gtest/gtest.h>

#include <map>

namespace choirly {
namespace {

TEST(Transliteration, LowHalfPassesThrough) {
  for (int b = 0; b < 0x80; ++b)
    EXPECT_EQ(windows_1252_to_ascii(static_cast<unsigned char>(b)), static_cast<char>(b)) << b;
}

TEST(Transliteration, HighHalfGivesLettersDigitsOrBlank) {
  // Bytes with a letter or digit; every other high byte is a blank.
  std::map<int, char> letters = {
      {0x83, 'f'}, {0x9A, 's'}, {0x9E, 'z'}, {0x9F, 'Y'}, {0xA2, 'c'}, {0xA3, 'L'},
      {0xA5, 'Y'}, {0xA9, 'C'}, {0xAE, 'R'}, {0xB2, '2'}, {0xB3, '3'}, {0xB5, 'u'},
      {0xB9, '1'}, {0xC7, 'C'}, {0xD1, 'N'}, {0xD7, 'x'}, {0xD8, 'O'}, {0xDD, 'Y'},
      {0xDF, 'B'}, {0xE7, 'c'}, {0xF1, 'n'}, {0xF8, 'o'}, {0xFD, 'y'}, {0xFF, 'y'},
  };
  auto range = [&](int first, int last, char c) {
    for (int b = first; b <= last; ++b)
      letters[b] = c;
  };
  range(0xC0, 0xC5, 'A');
  range(0xC8, 0xCB, 'E');
  range(0xCC, 0xCF, 'I');
  range(0xD2, 0xD6, 'O');
  range(0xD9, 0xDC, 'U');
  range(0xE0, 0xE5, 'a');
  range(0xE8, 0xEB, 'e');
  range(0xEC, 0xEF, 'i');
  range(0xF2, 0xF6, 'o');
  range(0xF9, 0xFC, 'u');

  int blanks = 0;
  for (int b = 0x80; b < 0x100; ++b) {
    const char got = windows_1252_to_ascii(static_cast<unsigned char>(b));
    const auto found = letters.find(b);
    if (found == letters.end()) {
      EXPECT_EQ(got, ' ') << std::hex << b;
      ++blanks;
    } else {
      EXPECT_EQ(got, found->second) << std::hex << b;
    }
  }
  EXPECT_EQ(blanks, 58);
  // The pairs that are easy to get wrong: Š and Ž lose their letters, š and ž keep them.
  EXPECT_EQ(windows_1252_to_ascii(0x8A), ' ');
  EXPECT_EQ(windows_1252_to_ascii(0x8E), ' ');
  EXPECT_EQ(windows_1252_to_ascii(0xF7), ' ');
  EXPECT_EQ(windows_1252_to_ascii(0xD7), 'x');
}

}  // namespace
}  // namespace choirly
