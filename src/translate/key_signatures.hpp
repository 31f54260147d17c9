// The key records the converter understands: six flats to six sharps, major then minor.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace choirly {

struct key_pattern {
  std::string_view pattern;  // found anywhere in the line
  std::string_view text;     // the staff's \key line
  std::int32_t key_index;    // 2 six flats, 8 none, 14 six sharps
};

// First match wins: the thirteen majors, then the thirteen minors, each from six flats up.
// The keys without accidentals are written "|Key|Signature:C|Tonic:C" by NoteWorthy
// Composer, and "|Key|Tonic:C" by older tools; both forms are taken.
inline constexpr std::array<key_pattern, 28> key_patterns = {{
    {"|Key|Signature:Bb,Eb,Ab,Db,Gb,Cb|Tonic:G", "        \\key ges \\major", 2},
    {"|Key|Signature:Bb,Eb,Ab,Db,Gb|Tonic:D", "        \\key des \\major", 3},
    {"|Key|Signature:Bb,Eb,Ab,Db|Tonic:A", "        \\key aes \\major", 4},
    {"|Key|Signature:Bb,Eb,Ab|Tonic:E", "        \\key ees \\major", 5},
    {"|Key|Signature:Bb,Eb|Tonic:B", "        \\key bes \\major", 6},
    {"|Key|Signature:Bb|Tonic:F", "        \\key f \\major", 7},
    {"|Key|Tonic:C", "        \\key c \\major", 8},
    {"|Key|Signature:C|Tonic:C", "        \\key c \\major", 8},
    {"|Key|Signature:F#|Tonic:G", "        \\key g \\major", 9},
    {"|Key|Signature:F#,C#|Tonic:D", "        \\key d \\major", 10},
    {"|Key|Signature:F#,C#,G#|Tonic:A", "        \\key a \\major", 11},
    {"|Key|Signature:F#,C#,G#,D#|Tonic:E", "        \\key e \\major", 12},
    {"|Key|Signature:F#,C#,G#,D#,A#|Tonic:B", "        \\key b \\major", 13},
    {"|Key|Signature:F#,C#,G#,D#,A#,E#|Tonic:F", "        \\key fis \\major", 14},
    {"|Key|Signature:Bb,Eb,Ab,Db,Gb,Cb|Tonic:E", "        \\key ees \\minor", 2},
    {"|Key|Signature:Bb,Eb,Ab,Db,Gb|Tonic:B", "        \\key bes \\minor", 3},
    {"|Key|Signature:Bb,Eb,Ab,Db|Tonic:F", "        \\key f \\minor", 4},
    {"|Key|Signature:Bb,Eb,Ab|Tonic:C", "        \\key c \\minor", 5},
    {"|Key|Signature:Bb,Eb|Tonic:G", "        \\key g \\minor", 6},
    {"|Key|Signature:Bb|Tonic:D", "        \\key d \\minor", 7},
    {"|Key|Tonic:A", "        \\key a \\minor", 8},
    {"|Key|Signature:C|Tonic:A", "        \\key a \\minor", 8},
    {"|Key|Signature:F#|Tonic:E", "        \\key e \\minor", 9},
    {"|Key|Signature:F#,C#|Tonic:B", "        \\key b \\minor", 10},
    {"|Key|Signature:F#,C#,G#|Tonic:F", "        \\key fis \\minor", 11},
    {"|Key|Signature:F#,C#,G#,D#|Tonic:C", "        \\key cis \\minor", 12},
    {"|Key|Signature:F#,C#,G#,D#,A#|Tonic:G", "        \\key gis \\minor", 13},
    {"|Key|Signature:F#,C#,G#,D#,A#,E#|Tonic:D", "        \\key dis \\minor", 14},
}};

}  // namespace choirly
