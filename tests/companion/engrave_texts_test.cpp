// The header texts and lyric comments of a score, written into choirly's document in UTF-8.
#include <gtest/gtest.h>

#include <string>

#include "engrave/conversion.hpp"
#include "engrave/lilypond_steps.hpp"

namespace choirly::engrave {
namespace {

// A two-staff score of version 2.751 (UTF-8) around the given lines: choirly writes the
// lyric comments after the first staff.
std::string score_with(const std::string& lines) {
  const std::string staff = "|AddStaff|Name:\"S\"\n|Clef|Type:Treble\n|Note|Dur:4th|Pos:0\n";
  return "!NoteWorthyComposer(2.751)\n" + lines + staff + staff + "!NoteWorthyComposer-End\n";
}

TEST(EngraveTexts, HeaderAndLyricLines) {
  const std::string e_acute = "\xC3\xA9", korean = "\xEA\xB0\x80\xEB\x82\x98";  // é, 가나
  std::string long_title;  // 150 characters: "é" then "가" repeated
  for (int i = 0; i < 75; ++i)
    long_title += e_acute + "\xEA\xB0\x80";
  std::string cut_title;  // its first 99
  for (int i = 0; i < 49; ++i)
    cut_title += e_acute + "\xEA\xB0\x80";
  cut_title += e_acute;

  const std::pair<std::string, std::string> rows[] = {
      {"|SongInfo|Title:\"Caf" + e_acute + " No\xC3\xABl\"|Author:\"" + korean +
           "\"|Lyricist:\"Ann\"\n",
       "    title = \"Caf" + e_acute + " No\xC3\xABl\"\n    poet = \"Ann\"\n    composer = \"" +
           korean + "\"\n"},
      {"|SongInfo|Title:\"" + long_title + "\"\n", "    title = \"" + cut_title + "\"\n"},
      // The last text is not closed: its lone trailing backslash is left out.
      {R"(|SongInfo|Title:"Say \"Amen\""|Author:"end\)"
       "\n",
       R"(    title = "Say \"Amen\"")"
       "\n"
       R"(    poet = "")"
       "\n"
       R"(    composer = "end")"
       "\n"},
      // A later line changes only the fields it reaches.
      {"|SongInfo|Title:\"A\"|Author:\"B\"\n|SongInfo|Title:\"" + korean + "\"\n",
       "    title = \"" + korean + "\"\n    poet = \"\"\n    composer = \"B\"\n"},
      {"|Lyric1|Text:\"" + korean + "-" + korean +
           " la\\r\\nx\"\n|Lyric2|Text:\"\\r\\n\"\n"
           "|Lyric3|Text:\"" +
           e_acute + "\"\n",
       "      % \\addlyrics { " + korean + " -- " + korean +
           " la x }\n"
           "      % \\addlyrics { " +
           e_acute + " }\n"},
  };
  for (const auto& [lines, expected] : rows) {
    const conversion converted = convert_score(score_with(lines));
    ASSERT_TRUE(converted.verdict) << converted.verdict.reason();
    EXPECT_NE(converted.document.find("\n" + expected), std::string::npos) << lines << "\n---\n"
                                                                           << converted.document;
  }
}

TEST(EngraveTexts, OutcomeOfTheConversion) {
  // Windows-1252 texts come out in UTF-8 too; nothing else of choirly's document changes.
  const conversion latin = convert_score(
      "!NoteWorthyComposer(2.0)\n|SongInfo|Title:\"Caf\xE9\"\n!NoteWorthyComposer-End\n");
  ASSERT_TRUE(latin.verdict);
  EXPECT_NE(latin.document.find("\n    title = \"Caf\xC3\xA9\"\n    poet = \"\"\n"),
            std::string::npos);
  std::string ascii_out, ascii_err;
  ASSERT_EQ(
      run_choirly("!NoteWorthyComposer(2.5)\n!NoteWorthyComposer-End\n", ascii_out, ascii_err), 0);
  const conversion plain = convert_score("!NoteWorthyComposer(2.0)\n!NoteWorthyComposer-End\n");
  EXPECT_EQ(plain.document, ascii_out);

  const std::pair<std::string, std::string> failures[] = {
      {"!NoteWorthyComposer(2.0)\n|AddStaff|Name:\"S\"\n", "WARNING: Input has no end marker"},
      {"!NoteWorthyComposer(2.0)\n" + std::string(2000, 'x') + "\n", "ERROR: Input line 1 is"},
      {"|Clef\n", "not a NoteWorthy Composer text score"},
  };
  for (const auto& [file, reason] : failures) {
    const conversion converted = convert_score(file);
    EXPECT_FALSE(converted.verdict);
    EXPECT_EQ(converted.verdict.reason().substr(0, reason.size()), reason);
  }
  EXPECT_EQ(summarize_lilypond("a.ly:3:1: warning: x\nb\na.ly:9:2: error: y\nz: error: w\n")
                .verdict.reason(),
            "a.ly:9:2: error: y");
  const lilypond_report report = summarize_lilypond(
      "warning: a\nprogramming error: FT_Load_Sfnt_Table (): error.\ncontinuing\nSuccess\n");
  EXPECT_EQ(report.warnings, 2);
  EXPECT_TRUE(report.verdict);
}

}  // namespace
}  // namespace choirly::engrave
