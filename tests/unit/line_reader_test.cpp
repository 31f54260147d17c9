// The first pass: line framing, classification, slot numbering and its messages.
#include "driver/line_reader.hpp"

#include <gtest/gtest.h>

#include <string>

#include "driver/song_capture.hpp"
#include "stream_capture.hpp"

namespace choirly {
namespace {

struct read_outcome {
  bool ok;
  std::string err;
};

read_outcome read(std::string input) {
  reset_line_table();
  reset_song_data();
  input.push_back('\0');  // fmemopen needs a non-empty buffer; the size below leaves it out
  std::FILE* in = fmemopen(input.data(), input.size() - 1, "rb");
  if (input.size() == 1) {
    std::fclose(in);
    in = std::fopen("/dev/null", "rb");
  }
  testing::captured_stream err;
  const bool ok = read_score(in, err.file);
  std::fclose(in);
  return {ok, err.text()};
}

TEST(LineReader, FinalLineRule) {
  ASSERT_TRUE(read("A\nB").ok);
  EXPECT_EQ(line_text(0), "A");
  EXPECT_EQ(line_text(1), "B");
  EXPECT_EQ(last_line_index, 1);

  ASSERT_TRUE(read("A\nB\n").ok);
  EXPECT_EQ(line_text(1), "B");
  EXPECT_EQ(line_text(2), "");
  EXPECT_EQ(last_line_index, 2);

  ASSERT_TRUE(read("").ok);
  EXPECT_EQ(line_text(0), "");
  EXPECT_EQ(last_line_index, 0);
}

TEST(LineReader, DroppedAndCapturedLinesKeepTheirSlotsEmpty) {
  ASSERT_TRUE(read("|Editor|ActiveStaff:1\n!NoteWorthyComposer(2.5)\n"
                   "|SongInfo|Title:\"T\"\n|Tempo|Tempo:90\n|Lyric1|Text:\"la\"\n|Bar\n")
                  .ok);
  EXPECT_EQ(line_text(0), "");
  EXPECT_EQ(line_text(1), "!NoteWorthyComposer(2.5)");
  for (int slot = 2; slot <= 4; ++slot)
    EXPECT_EQ(line_text(slot), "") << slot;
  EXPECT_EQ(line_text(5), "|Bar");
  EXPECT_EQ(last_line_index, 6);
  EXPECT_STREQ(song_info.title, "T");
  EXPECT_EQ(tempo, 90);
  EXPECT_EQ(lyric_count, 1);
}

TEST(LineReader, Classification) {
  EXPECT_EQ(classify_line("x|Text|y"), line_kind::dropped);
  EXPECT_EQ(classify_line("|Font|Style:StaffItalic"), line_kind::dropped);
  EXPECT_EQ(classify_line("|Font|Typeface"), line_kind::stored);
  EXPECT_EQ(classify_line("|StaffProperties"), line_kind::stored);  // needs the trailing bar
  EXPECT_EQ(classify_line("|Note|Dur:4th|Pos:0|Lyrics|"), line_kind::dropped);
  EXPECT_EQ(classify_line("abc|SongInfo|"), line_kind::song_info);
  EXPECT_EQ(classify_line("|Tempo|Tempo: -12"), line_kind::tempo);
  EXPECT_EQ(classify_line("|Tempo|Tempo:x"), line_kind::stored);
  EXPECT_EQ(classify_line(" |Tempo|Tempo:5"), line_kind::stored);  // matches from the start
  EXPECT_EQ(classify_line("|Lyric1|Text:\"a\""), line_kind::lyric);
  EXPECT_EQ(classify_line("|Lyric 7|Text: a"), line_kind::lyric);
  EXPECT_EQ(classify_line("|Lyric1|Text:"), line_kind::stored);
  EXPECT_EQ(classify_line("|Lyric1|Text:   "), line_kind::stored);
  EXPECT_EQ(classify_line("|Lyric12|Text:a"), line_kind::stored);  // one digit only
  EXPECT_EQ(classify_line("|Lyric-1|Text:a"), line_kind::stored);
  // A dropped record wins over song information on the same line.
  EXPECT_EQ(classify_line("|SongInfo||Text|"), line_kind::dropped);
}

TEST(LineReader, CarriageReturnsAndHighBytes) {
  ASSERT_TRUE(read("a\r\nb\rc\r\n\r\rd\r").ok);
  EXPECT_EQ(line_text(0), "a");
  EXPECT_EQ(line_text(1), "b\rc");
  EXPECT_EQ(line_text(2), "\r\rd\r");
  EXPECT_EQ(last_line_index, 2);

  ASSERT_TRUE(read("\xE9\x80\xFF\n").ok);
  EXPECT_EQ(line_text(0), "e y");
}

TEST(LineReader, NulEndsTheLineText) {
  ASSERT_TRUE(read(std::string("ab\0cd\nef", 8)).ok);
  EXPECT_EQ(line_text(0), "ab");
  EXPECT_EQ(line_text(1), "ef");
}

TEST(LineReader, StoredLineLengthLimit) {
  const std::string exact(200, 'x');
  const std::string over(201, 'y');
  const read_outcome r = read(exact + "\n" + over + "\nz\n");
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(line_text(0), exact);
  EXPECT_EQ(line_text(1), "z");  // the long line gave up its slot
  EXPECT_EQ(last_line_index, 2);
  EXPECT_EQ(r.err, "ERROR: Line 1 is too long:\n" + over + "\n");

  // Captured lines are not held to the stored-line limit.
  const read_outcome song = read("|SongInfo|Title:\"" + std::string(250, 't') + "\"\n");
  EXPECT_TRUE(song.ok);
  EXPECT_EQ(song.err, "");
}

TEST(LineReader, InputLineLengthLimit) {
  const read_outcome longest = read("a\n|SongInfo|" + std::string(1997 - 10, 's') + "\n");
  EXPECT_TRUE(longest.ok);
  EXPECT_EQ(longest.err, "");

  const read_outcome fatal = read("a\n|Text|\n" + std::string(1998, 's') + "\nb\n");
  EXPECT_FALSE(fatal.ok);
  EXPECT_EQ(fatal.err, "ERROR: Input line 2 is longer than 2000 characters\n");

  // A carriage return without a line feed after it counts as a character.
  EXPECT_FALSE(read(std::string(1997, 's') + "\r").ok);
  EXPECT_TRUE(read(std::string(1997, 's') + "\r\n").ok);
}

TEST(LineReader, LineTableLimit) {
  std::string lines;
  for (int i = 0; i < 4000; ++i)
    lines += "|Bar\n";
  const read_outcome full = read(lines);
  EXPECT_TRUE(full.ok);
  EXPECT_EQ(line_text(3999), "|Bar");
  EXPECT_EQ(last_line_index, 4000);

  // Lines that need no slot may follow; a line with text may not.
  EXPECT_TRUE(read(lines + "\n\n|Text|\n|Tempo|Tempo:3\n").ok);
  const read_outcome over = read(lines + "\n|Bar");
  EXPECT_FALSE(over.ok);
  EXPECT_EQ(over.err, "ERROR: Input line 4001 exceeds the 4000-line limit\n");
}

// The reader takes its input 65536 bytes at a time; a line cut by a read must read as if it
// were whole. Each input puts `before` right before the cut and `after` right after it,
// behind dropped lines that fill the read up to `before`.
TEST(LineReader, LinesCutByTheReadBuffer) {
  struct cut_case {
    std::string before, after;
    std::string first, second;  // the texts of the cut line's slot and of the next one
    bool ok = true;
  };
  const std::string dropped = "|Text|";
  const cut_case cases[] = {
      {"ab\r", "\ncd", "ab", "cd"},                      // CR | LF
      {"ab\r", "xcd\n", "ab\rxcd", ""},                  // CR | other: kept
      {"ab\r", "\r\n", "ab\r", ""},                      // CR | CR LF
      {"ab", "\r\nz", "ab", "z"},                        // | CR LF
      {"a\xE9", std::string("b\0c\nz", 5), "aeb", "z"},  // high byte, NUL after the cut
      {"", "|Bar", "|Bar", ""},                          // the final line after the cut
      {dropped + std::string(994, 's'), std::string(997, 't') + "\r\n", "", ""},  // 1997
      {dropped + std::string(994, 's'), std::string(998, 't') + "\n", "", "", false},
      {dropped + std::string(1991, 's') + "\r", "z", "", "", false},  // CR | other: 1999
  };
  for (const cut_case& c : cases) {
    SCOPED_TRACE(c.before.substr(0, 8) + "|" + c.after.substr(0, 8));
    std::string input;
    int lines = 0;
    for (; 65536 - input.size() - c.before.size() > 1100; ++lines)
      input += "|Editor|" + std::string(991, 'e') + "\n";
    input += dropped + std::string(65536 - input.size() - c.before.size() - 7, 'f') + "\n";
    ++lines;
    input += c.before;
    ASSERT_EQ(input.size(), 65536u);
    input += c.after;
    const read_outcome r = read(input);
    EXPECT_EQ(r.ok, c.ok);
    if (!c.ok) {
      EXPECT_EQ(r.err,
                "ERROR: Input line " + std::to_string(lines) + " is longer than 2000 characters\n");
      continue;
    }
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(line_text(lines), c.first);
    EXPECT_EQ(line_text(lines + 1), c.second);
  }
}

}  // namespace
}  // namespace choirly
