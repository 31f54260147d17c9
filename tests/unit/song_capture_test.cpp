// Song information, tempo and lyrics as the first pass captures them.
#include "driver/song_capture.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver/line_reader.hpp"
#include "stream_capture.hpp"

namespace choirly {
namespace {

// Captures one lyric line the way the reader hands it over.
void lyric(const std::string& line) {
  const std::size_t word_start = line.find_first_not_of(' ', 13);
  const std::size_t word_end = line.find(' ', word_start);
  capture_lyric(line, std::string_view(line).substr(word_start, word_end - word_start));
}

TEST(SongCapture, SongInformationFields) {
  reset_song_data();
  capture_song_info(
      "|SongInfo|Title:\"Song\"|Author:\"Ann\"|Lyricist:\"Bob\"|Copyright1:\"Free\"|Copyright2:"
      "\"\"");
  EXPECT_STREQ(song_info.title, "Song");
  EXPECT_STREQ(song_info.author, "Ann");
  EXPECT_STREQ(song_info.lyricist, "Bob");
  EXPECT_STREQ(song_info.copyright, "Free");

  // An empty text is taken; a field the line does not reach keeps its value.
  capture_song_info("|SongInfo|Title:\"New\"|Author:\"\"|Lyricist:\"X\"");
  EXPECT_STREQ(song_info.title, "New");
  EXPECT_STREQ(song_info.author, "");
  EXPECT_STREQ(song_info.lyricist, "X");
  EXPECT_STREQ(song_info.copyright, "Free");
  capture_song_info("|SongInfo|Title:\"\"|Author:\"Zed\"");
  EXPECT_STREQ(song_info.title, "");
  EXPECT_STREQ(song_info.author, "Zed");
  capture_song_info("x|SongInfo|Title:\"Other\"");
  EXPECT_STREQ(song_info.title, "");
}

TEST(SongCapture, SplitSongInfoQuotesAndEnds) {
  // Line, then the texts taken: a quote after an odd run of backslashes is part of the text.
  const std::pair<const char*, std::vector<std::string_view>> cases[] = {
      {R"(|SongInfo|Title:"a\"b"|Author:"c")", {R"(a\"b)", "c"}},
      {R"(|SongInfo|Title:"a\\"|Author:"\"")", {R"(a\\)", R"(\")"}},
      {R"(|SongInfo|Title:"a\\\"|Author:"b")", {R"(a\\\"|Author:)"}},
      {R"(|SongInfo|Title:"unclosed)", {"unclosed"}},
      {R"(|SongInfo|Title:"t"|Author:")", {"t"}},
      {R"(|SongInfo|Title:"")", {""}},
      {R"(|SongInfo|Title:"t"|Lyricist:"l")", {"t"}},
      {R"(|SongInfo|Title:")", {}},
      {R"( |SongInfo|Title:"t")", {}},
  };
  for (const auto& [line, expected] : cases) {
    std::array<std::string_view, 4> texts;
    const int taken = split_song_info(line, texts);
    ASSERT_EQ(taken, static_cast<int>(expected.size())) << line;
    for (int i = 0; i < taken; ++i)
      EXPECT_EQ(texts[i], expected[i]) << line;
  }
}

TEST(SongCapture, LongTextsAreCutButDoNotHideLaterFields) {
  reset_song_data();
  const std::string long_title(150, 't');
  capture_song_info("|SongInfo|Title:\"" + long_title + "\"|Author:\"" + std::string(99, 'a') +
                    "\"|Lyricist:\"" + std::string(100, 'l') + "\"");
  EXPECT_EQ(std::string(song_info.title), std::string(99, 't'));
  EXPECT_EQ(std::string(song_info.author), std::string(99, 'a'));
  EXPECT_EQ(std::string(song_info.lyricist), std::string(99, 'l'));
}

TEST(SongCapture, Tempo) {
  reset_song_data();
  EXPECT_EQ(tempo, 0);
  capture_tempo(100);
  capture_tempo(-5);
  EXPECT_EQ(tempo, -5);
}

TEST(SongCapture, LyricConversion) {
  reset_song_data();
  lyric("|Lyric1|Text:\"Hel-lo world\"");
  EXPECT_STREQ(lyric_table[0].data(), "Hel -- lo world");
  lyric("|Lyric1|Text:\"one\\r\\ntwo\\r\\n\"");
  EXPECT_STREQ(lyric_table[1].data(), "one two ");
  // An escape at the very end has nothing after it and stays as it is.
  lyric("|Lyric1|Text:\"end\\r\\n");
  EXPECT_STREQ(lyric_table[2].data(), "end\\r\\n");
  // A lone backslash is copied.
  lyric("|Lyric1|Text:\"a\\b\"|Font:x");
  EXPECT_STREQ(lyric_table[3].data(), "a\\b|Font:x");
  EXPECT_EQ(lyric_count, 4);

  // The empty lyric uses no slot; two double quotes make an empty text in a slot.
  lyric("|Lyric2|Text:\"\\r\\n\"");
  EXPECT_EQ(lyric_count, 4);
  lyric("|Lyric2|Text:\"\"");
  EXPECT_EQ(lyric_count, 5);
  EXPECT_STREQ(lyric_table[4].data(), "");
}

TEST(SongCapture, LyricLimits) {
  reset_song_data();
  // Every hyphen grows to four characters; the text stops at 1999.
  lyric("|Lyric1|Text:\"" + std::string(600, '-') + "\"");
  EXPECT_EQ(std::string(lyric_table[0].data()).size(), 1999u);
  for (int i = 1; i < 12; ++i)
    lyric("|Lyric1|Text:\"v" + std::to_string(i) + "\"");
  EXPECT_EQ(lyric_count, 10);
  EXPECT_STREQ(lyric_table[9].data(), "v9");
}

TEST(SongCapture, HeaderTextsEndingInBackslashes) {
  // An unclosed text keeps its trailing backslashes; one lone backslash would escape the
  // closing quote of the header string, so it is left out.
  const std::pair<const char*, const char*> cases[] = {
      {"A\\", "    title = \"A\""},
      {"A\\\\", "    title = \"A\\\\\""},
      {"A\\\\\\", "    title = \"A\\\\\""},
      {"C:\\new", "    title = \"C:\\new\""},
  };
  for (const auto& [title, line] : cases) {
    const auto result =
        testing::run_on(std::string("!NoteWorthyComposer(2.5)\n|SongInfo|Title:\"") + title +
                        "\n!NoteWorthyComposer-End\n");
    EXPECT_NE(result.out.find(std::string(line) + "\n"), std::string::npos) << title;
  }
}

}  // namespace
}  // namespace choirly
