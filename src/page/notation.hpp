// The small pieces of LilyPond text the page is made of: pitches, durations, strings and
// identifiers.
#pragma once

#include <string>
#include <string_view>

#include "score/model.hpp"

namespace choirly::page {

// "fis''" for F sharp two octaves above middle C's octave, "bes," and so on.
std::string pitch_text(const score::pitch& p);

// "4", "8.", "2.." for a written base and dots.
std::string duration_text(int base, int dots);

// A length as one duration where one fits ("2." for 3/4), else "1*5/4".
std::string length_text(score::rational length);

// "#(ly:make-moment 5/4)".
std::string moment_text(score::rational length);

// A LilyPond string in double quotes, with quotes and backslashes escaped.
std::string quoted(std::string_view text);

// A lyric syllable as lyric mode reads it: bare when it is plain letters, else quoted.
std::string syllable_text(std::string_view text);

// "sopranoMusic" from "Soprano" and "Music": LilyPond identifiers hold letters only, so
// digits become words ("Violin 2" gives "violinTwo") and other characters separate words.
// Empty when the name has no letter or digit.
std::string identifier(std::string_view name);

// "One", "Two", ... "TwentyThree": numbers in identifiers.
std::string number_word(int n);

}  // namespace choirly::page
