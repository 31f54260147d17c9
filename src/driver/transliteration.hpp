// Windows-1252 to ASCII: bytes below 0x80 pass through, letters with marks lose them,
// and every other high byte becomes a blank, so later stages see only ASCII.
#pragma once

#include <array>

namespace choirly {

inline constexpr std::array<char, 256> windows_1252_table = [] {
  std::array<char, 256> table{};
  for (int b = 0; b < 0x80; ++b)
    table[b] = static_cast<char>(b);
  for (int b = 0x80; b < 0x100; ++b)
    table[b] = ' ';
  constexpr struct {
    int first, last;
    char letter;
  } marked[] = {
      {0x83, 0x83, 'f'}, {0x9A, 0x9A, 's'}, {0x9E, 0x9E, 'z'}, {0x9F, 0x9F, 'Y'},  // ƒ š ž Ÿ
      {0xA2, 0xA2, 'c'}, {0xA3, 0xA3, 'L'}, {0xA5, 0xA5, 'Y'}, {0xA9, 0xA9, 'C'},  // ¢ £ ¥ ©
      {0xAE, 0xAE, 'R'}, {0xB2, 0xB2, '2'}, {0xB3, 0xB3, '3'}, {0xB5, 0xB5, 'u'},  // ® ² ³ µ
      {0xB9, 0xB9, '1'},                                                           // ¹
      {0xC0, 0xC5, 'A'}, {0xC7, 0xC7, 'C'}, {0xC8, 0xCB, 'E'}, {0xCC, 0xCF, 'I'},  // À-Å Ç È-Ë Ì-Ï
      {0xD1, 0xD1, 'N'}, {0xD2, 0xD6, 'O'}, {0xD7, 0xD7, 'x'}, {0xD8, 0xD8, 'O'},  // Ñ Ò-Ö × Ø
      {0xD9, 0xDC, 'U'}, {0xDD, 0xDD, 'Y'}, {0xDF, 0xDF, 'B'},                     // Ù-Ü Ý ß
      {0xE0, 0xE5, 'a'}, {0xE7, 0xE7, 'c'}, {0xE8, 0xEB, 'e'}, {0xEC, 0xEF, 'i'},  // à-å ç è-ë ì-ï
      {0xF1, 0xF1, 'n'}, {0xF2, 0xF6, 'o'}, {0xF8, 0xF8, 'o'},                     // ñ ò-ö ø
      {0xF9, 0xFC, 'u'}, {0xFD, 0xFD, 'y'}, {0xFF, 0xFF, 'y'},                     // ù-ü ý ÿ
  };
  for (const auto& range : marked)
    for (int b = range.first; b <= range.last; ++b)
      table[b] = range.letter;
  return table;
}();

constexpr char windows_1252_to_ascii(unsigned char byte) {
  return windows_1252_table[byte];
}

}  // namespace choirly
