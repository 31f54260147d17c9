// Every real score of the shared corpus converts, with a 2.5 header in place of its own.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "stream_capture.hpp"

namespace choirly {
namespace {

TEST(Corpus, EveryRealScoreConverts) {
  const std::filesystem::path corpus = CHOIRLY_CORPUS_DIR;
  if (!std::filesystem::exists(corpus)) GTEST_SKIP() << "no corpus at " << corpus;
  int scores = 0;
  for (const auto& file : std::filesystem::directory_iterator(corpus)) {
    if (file.path().extension() != ".nwctxt") continue;
    std::ifstream in(file.path(), std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    std::string score = content.str();
    score.replace(0, score.find('\n'), "!NoteWorthyComposer(2.5)");
    const auto result = testing::run_on(score);
    EXPECT_EQ(result.status, 0) << file.path();
    EXPECT_EQ(result.out.rfind("\\version \"2.16.1\"\n", 0), 0u) << file.path();
    // Scores that end with the end marker close the document and raise no warning.
    if (score.find("!NoteWorthyComposer-End") != std::string::npos) {
      EXPECT_EQ(result.err, "") << file.path();
      EXPECT_TRUE(result.out.ends_with("  }\n}\n\n")) << file.path();
    }
    ++scores;
  }
  EXPECT_GE(scores, 30);
}

}  // namespace
}  // namespace choirly
