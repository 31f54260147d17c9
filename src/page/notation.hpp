// The small pieces of LilyPond text the page is made of: pitches, durations, clefs, keys,
// bar lines, strings and identifiers.
#pragma once

#include <string>
#include <string_view>

#include "score/model.hpp"

namespace choirly::page {

// "fis''" for F sharp two octaves above middle C's octave, "bes," and so on.
std::string pitch_text(const score::pitch& p);

// What stands before a note's pitch for a head NoteWorthy draws other than the round one:
// "\\xNote " for its cross, a head style tweak for the others; empty for the round head.
std::string head_text(char head);

// "4", "8.", "2.." for a written base and dots.
std::string duration_text(int base, int dots);

// A length as one duration where one fits ("2." for 3/4), else "1*5/4".
std::string length_text(score::rational length);

// "\\clef bass", "\\clef \"treble_8\"", and the percussion clef that reads as the bass clef.
std::string clef_text(const score::clef_change& c);

// "\\key d \\major" for a signature some key has, else the alterations one by one.
std::string key_text(const score::key_change& k);

// "\\bar \"||\"" and the like; empty for a plain bar line and for the repeat bars.
std::string bar_text(score::bar_style style);

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
