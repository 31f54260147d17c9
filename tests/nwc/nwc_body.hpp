// Hand-made binary scores for the reader's tests: a small header of a given version and one
// staff holding the objects a test gives as bytes.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace choirly::nwc::testing {

inline void put_u16(std::string& out, int value) {
  out += static_cast<char>(value & 0xFF);
  out += static_cast<char>(value >> 8 & 0xFF);
}

inline std::string bytes(std::initializer_list<int> values) {
  std::string out;
  for (const int v : values)
    out += static_cast<char>(v & 0xFF);
  return out;
}

// A body of version `word` (0x0146, 0x014B, 0x0201, 0x0205) with one staff named "Sop" and
// `objects` as its object list, `object_count` objects long.
inline std::string score_body(int word, std::string_view objects, int object_count,
                              std::string_view title = "Title") {
  const bool later = word >= 0x0200;
  std::string b(std::string_view("[NoteWorthy ArtWare]\0\0\0[NoteWorthy Composer]\0", 45));
  put_u16(b, word);
  b += bytes({2, 0, 0, 0});
  b += std::string_view("N/A\0\0", 5);  // user name, registration
  b += std::string(8, '\0');
  put_u16(b, 16);
  b += title;
  b += '\0';
  b += std::string_view("Author\0", 7);
  if (later) b += std::string_view("Poet\0", 5);
  b += std::string_view("C1\0C2\0\0", 7);  // copyrights, no comments
  b += "NY";                               // ExtendLastSystem N, DurationPadding Y
  b += std::string_view("_\0F2\0", 5);
  b += bytes({1, 0});  // plain bar numbers
  put_u16(b, 1);       // starting bar
  b += std::string_view("0.5 0.4 0.4 0.69999999\0", 23);
  b += '\0';  // no mirror margins
  put_u16(b, 8);
  b += std::string(32, '\xFF');  // every staff visible
  b += '\xFF';                   // layering allowed
  if (later) b += '\0';          // no notation typeface
  put_u16(b, 16);
  for (int i = 0; i < 12; ++i)
    b += std::string_view("Times New Roman\0\0\x08\0\0", 20);
  b += bytes({0xFF, 0});  // title page; no staff labels
  put_u16(b, 0);
  if (later) b += '\xFF';
  if (word == 0x0205) b += std::string(13, '\0');
  put_u16(b, 1);
  b += std::string_view("Sop\0", 4);
  if (later) b += std::string_view("\0\0", 2);  // no label, no instrument name
  if (word == 0x0205) b += '\0';
  b += std::string_view("Standard\0", 9);
  b += bytes({0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 1, 0});  // channel 3, patch 0
  if (later) b += bytes({10, 30, 45, 60, 75, 92, 108, 127});
  put_u16(b, 0);    // standard staff
  put_u16(b, -12);  // boundaries
  put_u16(b, 11);
  if (word != 0x0146) b += '\x05';
  put_u16(b, 0);  // no layering
  put_u16(b, 0);
  put_u16(b, 127);
  put_u16(b, 64);
  b += '\0';
  put_u16(b, 0);  // no lyrics
  put_u16(b, 0);
  put_u16(b, 0);
  put_u16(b, object_count + 2);
  b += objects;
  return b;
}

// One object: its type, its visibility byte and its data.
inline std::string object(int type, std::string_view data, int visibility = 0) {
  std::string out;
  put_u16(out, type);
  out += static_cast<char>(visibility);
  out += data;
  return out;
}

}  // namespace choirly::nwc::testing
