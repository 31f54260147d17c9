// Preparing real scores for choirly: version headers, and the characters choirly is given.
#include <gtest/gtest.h>

#include <string>

#include "engrave/page_conversion.hpp"
#include "engrave/score_preparation.hpp"
#include "engrave/text_encoding.hpp"
#include "tests/nwc/nwc_body.hpp"

namespace choirly::engrave {
namespace {

TEST(EngravePreparation, HeaderForms) {
  struct row {
    std::string file;
    std::string version, encoding, for_choirly;  // for_choirly empty: the file fails
  };
  const row rows[] = {
      {"!NoteWorthyComposer(2.0)\r\n|Clef\r\n", "2.0", "Windows-1252",
       "!NoteWorthyComposer(2.5)\r\n|Clef\r\n"},
      {"!NoteWorthyComposer(2.75)\n|Clef\n", "2.75", "UTF-8", "!NoteWorthyComposer(2.5)\n|Clef\n"},
      {"!NoteWorthyComposer(2.751)\n", "2.751", "UTF-8", "!NoteWorthyComposer(2.5)\n"},
      {"!NoteWorthyComposer(2.749727)\n", "2.749727", "Windows-1252", "!NoteWorthyComposer(2.5)\n"},
      {"!NoteWorthyComposer(2.5)\n", "2.5", "Windows-1252", "!NoteWorthyComposer(2.5)\n"},
      // Text around the header stays; a version with no digits is no header.
      {"x !NoteWorthyComposer(2.)!NoteWorthyComposer(2.8) y", "2.8", "UTF-8",
       "x !NoteWorthyComposer(2.)!NoteWorthyComposer(2.5) y"},
      {"!NoteWorthyComposerClip(2.751,Single)\n|Note\n", "", "", ""},
      {"|Clef|Type:Treble\n!NoteWorthyComposer(2.0)\n", "", "", ""},
      {"", "", "", ""},
  };
  for (const row& r : rows) {
    const result<prepared_score> score = prepare_score(r.file);
    EXPECT_EQ(score.ok(), !r.for_choirly.empty()) << r.file;
    EXPECT_EQ(score.reason().empty(), score.ok()) << r.file;
    if (!score) continue;
    EXPECT_EQ(score->version, r.version) << r.file;
    EXPECT_EQ(score->encoding, r.encoding) << r.file;
    EXPECT_EQ(score->windows_1252, r.for_choirly) << r.file;
  }
  EXPECT_NE(prepare_score("!NoteWorthyComposerClip(2.75,Single)").reason().find("clipboard"),
            std::string::npos);
}

TEST(EngravePreparation, CharactersGivenToChoirly) {
  struct row {
    std::string file, utf8, for_choirly;
  };
  std::string all_high;  // every byte from 0x80 to 0xFF
  for (int b = 0x80; b <= 0xFF; ++b)
    all_high += static_cast<char>(b);
  const row rows[] = {
      // UTF-8 with a byte-order mark: é € – ’ and a Korean syllable.
      {"\xEF\xBB\xBF!NoteWorthyComposer(2.751)"
       "\n\xC3\xA9\xE2\x82\xAC\xE2\x80\x93\xE2\x80\x99\xED\x95\x9C",
       "!NoteWorthyComposer(2.5)\n\xC3\xA9\xE2\x82\xAC\xE2\x80\x93\xE2\x80\x99\xED\x95\x9C",
       "!NoteWorthyComposer(2.5)\n\xE9\x80\x96\x92?"},
      // Windows-1252 reaches choirly unchanged, whatever the byte.
      {"!NoteWorthyComposer(2.0)\n" + all_high, "", "!NoteWorthyComposer(2.5)\n" + all_high},
      // Code page 949: the syllables of "Korea".
      {"!NoteWorthyComposer(2.5)\n|Locale|ACP:949\n\xC7\xD1\xB1\xB9",
       "!NoteWorthyComposer(2.5)\n|Locale|ACP:949\n\xED\x95\x9C\xEA\xB5\xAD",
       "!NoteWorthyComposer(2.5)\n|Locale|ACP:949\n??"},
      // Invalid UTF-8: a stray byte, a lead byte without its follower, a cut sequence.
      {"!NoteWorthyComposer(2.751)\nA\xFF"
       "B\xC3(\xE2\x82",
       "!NoteWorthyComposer(2.5)\nA\xEF\xBF\xBD"
       "B\xEF\xBF\xBD(\xEF\xBF\xBD",
       "!NoteWorthyComposer(2.5)\nA?B?(?"},
  };
  for (const row& r : rows) {
    const result<prepared_score> score = prepare_score(r.file);
    ASSERT_TRUE(score) << r.file;
    if (!r.utf8.empty()) {
      EXPECT_EQ(score->utf8, r.utf8) << r.file;
    }
    EXPECT_EQ(score->windows_1252, r.for_choirly) << r.file;
  }
  // The undefined bytes as C1 controls, the defined ones as their characters.
  EXPECT_EQ(windows_1252_to_utf8("\x80\x81\x8D\x9F\xE9"),
            "\xE2\x82\xAC\xC2\x81\xC2\x8D\xC5\xB8\xC3\xA9");
  EXPECT_EQ(first_characters("a\xC3\xA9\xED\x95\x9C"
                             "b",
                             3),
            "a\xC3\xA9\xED\x95\x9C");
  EXPECT_FALSE(code_page_to_utf8("x", 99999).has_value());
}

// A staff name may hold a line end; its warning must still be one line of the log.
TEST(EngravePreparation, PageWarningsStayOnOneLine) {
  const conversion converted = convert_page(
      "!NoteWorthyComposer(2.75)\n|AddStaff|Name:\"Sop\\nrano\"\n|Lyric1|Text:\"one two three\"\n"
      "|Note|Dur:4th|Pos:0\n!NoteWorthyComposer-End\n");
  EXPECT_EQ(
      converted.log,
      "choirly-engrave: NoteWorthy Composer 2.75 score in UTF-8, written as the score is "
      "laid out\n"
      "choirly-engrave: warning: line 2: staff \"Sop\\nrano\" has 2 lyric syllables more than "
      "notes to take them; they are left out\n");
}

// Text re-encoded to UTF-8 under a header that still names a code page is read as UTF-8;
// text that is not valid UTF-8, or pure ASCII, keeps the header's code page.
TEST(EngravePreparation, Utf8BeforeTheHeadersCodePage) {
  struct row {
    std::string file, encoding, utf8;
  };
  const std::string korea_utf8 = "\xED\x95\x9C\xEA\xB5\xAD", korea_949 = "\xC7\xD1\xB1\xB9";
  const std::string header = "!NoteWorthyComposer(2.5)\n|Locale|ACP:949\n";
  const row rows[] = {
      {header + korea_utf8, "UTF-8 (the text is valid UTF-8, though the header says code page 949)",
       header + korea_utf8},
      {header + korea_949, "CP949", header + korea_utf8},
      {header + "Korea", "CP949", header + "Korea"},
      // Without a Locale record a 2.5 file is Windows-1252, unless it is UTF-8: "© é".
      {"!NoteWorthyComposer(2.5)\n\xC2\xA9 \xC3\xA9",
       "UTF-8 (the text is valid UTF-8, though the header says Windows-1252)",
       "!NoteWorthyComposer(2.5)\n\xC2\xA9 \xC3\xA9"},
      {"!NoteWorthyComposer(2.5)\n\xA9 \xE9", "Windows-1252",
       "!NoteWorthyComposer(2.5)\n\xC2\xA9 \xC3\xA9"},
  };
  for (const row& r : rows) {
    const result<prepared_score> score = prepare_score(r.file, false);
    ASSERT_TRUE(score) << r.file;
    EXPECT_EQ(score->encoding, r.encoding) << r.file;
    EXPECT_EQ(score->utf8, r.utf8) << r.file;
  }
}

// A binary score is read into the text format, its strings decoded by the code page its
// bytes show, or the one given; what follows is the same as for a text score.
TEST(EngravePreparation, NwcFilesBecomeTextScores) {
  // "가라사랑" in code page 949, as the title of a 1.75 file.
  const std::string body =
      nwc::testing::score_body(0x014B, "", 0, "\xB0\xA1\xB6\xF3\xBB\xE7\xB6\xFB");
  const result<prepared_score> korean = prepare_score(body);
  ASSERT_TRUE(korean) << korean.reason();
  EXPECT_EQ(korean->version, "1.75");
  EXPECT_EQ(korean->encoding, "CP949");
  EXPECT_TRUE(korean->binary);
  EXPECT_TRUE(
      korean->utf8.starts_with("!NoteWorthyComposer(2.5)\n|SongInfo|Title:\""
                               "\xEA\xB0\x80\xEB\x9D\xBC\xEC\x82\xAC\xEB\x9E\x91\"|"))
      << korean->utf8.substr(0, 80);
  EXPECT_TRUE(text_copy(*korean).starts_with("!NoteWorthyComposer(2.75)\n|SongInfo|"));

  const result<prepared_score> western = prepare_score(body, false, 1252);
  ASSERT_TRUE(western) << western.reason();
  EXPECT_EQ(western->encoding, "Windows-1252");
  // "°¡¶ó»ç¶û": the same bytes as Western letters; the page path reads the 2.75 text as it is.
  EXPECT_TRUE(
      western->utf8.starts_with("!NoteWorthyComposer(2.75)\n|SongInfo|Title:\""
                                "\xC2\xB0\xC2\xA1\xC2\xB6\xC3\xB3\xC2\xBB\xC3\xA7"
                                "\xC2\xB6\xC3\xBB\"|"))
      << western->utf8.substr(0, 80);

  struct {
    std::string file;
    std::string reason;
  } const failing[] = {
      // Magic, version and 4 bytes (51), "N/A" and an empty registration, then 10 bytes.
      {body.substr(0, 60),
       "damaged NoteWorthy Composer file (at byte 56: the file header runs past the end)"},
      {std::string("MZ\x90\0\x03", 5), "not a NoteWorthy Composer file"},
      {"[NW", "damaged NoteWorthy Composer file (at byte 3: the file header runs past the end)"},
      {nwc::testing::score_body(0x0137, "", 0),
       "NoteWorthy Composer 1.55 files cannot be read (saved by version 1.55)"},
  };
  for (const auto& f : failing)
    EXPECT_EQ(prepare_score(f.file).reason(), f.reason);
}

TEST(EngravePreparation, GivenCodePageForTextScoresThatNameNone) {
  const std::string file = "!NoteWorthyComposer(2.0)\n\xC7\xD1";
  const result<prepared_score> given = prepare_score(file, false, 949);
  ASSERT_TRUE(given);
  EXPECT_EQ(given->encoding, "CP949");
  // The page path keeps the file's own header; its text copy says 2.75, as it is UTF-8 now.
  EXPECT_EQ(given->utf8, "!NoteWorthyComposer(2.0)\n\xED\x95\x9C");
  EXPECT_EQ(text_copy(*given), "!NoteWorthyComposer(2.75)\n\xED\x95\x9C");
  // A |Locale| record, and any 2.75 score, says its own.
  EXPECT_EQ(prepare_score("!NoteWorthyComposer(2.0)\n|Locale|ACP:1252\n", false, 949)->encoding,
            "Windows-1252");
  EXPECT_EQ(prepare_score("!NoteWorthyComposer(2.75)\n", false, 949)->encoding, "UTF-8");
}

}  // namespace
}  // namespace choirly::engrave
