// Every fixed size of the converter, in one place, with the reason it has that size.
#pragma once

namespace choirly {

// Stored input lines: a score of a few hundred records a staff fits many times over.
inline constexpr int line_slots = 4000;
// Longest line kept in the line table; longer record lines are reported and dropped.
inline constexpr int stored_line_max = 200;
// Longest input line read at all; one character more ends the run.
inline constexpr int input_line_max = 1997;

// Bytes past the end of a line that the reader's word-at-a-time loops may read: its
// buffers are that much longer than their text.
inline constexpr int read_slack = 16;

// Entries of one staff: one per record that reaches the staff table.
inline constexpr int staff_slots = 1000;
// Note words of one entry: four notes in each of two voices, with room to spare.
inline constexpr int words_per_entry = 10;
// Note words of one event record: up to four notes in each of its two voices.
inline constexpr int max_event_words = 8;
// Stored note positions, 0 to 254 (255 marks a rest): one accidental held at each.
inline constexpr int note_positions = 255;
// Text of one entry: 99 characters and the terminating zero.
inline constexpr int entry_text_size = 100;
// Dynamic names are cut so that eight blanks, a backslash, the name and a line break fit a text.
inline constexpr int dynamic_name_max = 89;

// Song texts (title, author, lyricist, copyright) keep this many characters.
inline constexpr int song_text_max = 99;
// Lyric lines carried along as comments, and the characters of each after conversion.
inline constexpr int lyric_slots = 10;
inline constexpr int lyric_text_max = 1999;

}  // namespace choirly
