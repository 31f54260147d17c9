// Units of choirly-engrave's batch: names shown in messages, finding scores once, output
// collisions, the steps of an engraving, and whole batches with a conversion of the test's own.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engrave/conversion.hpp"
#include "engrave/engraver.hpp"
#include "engrave/score_jobs.hpp"

namespace fs = std::filesystem;
using namespace choirly::engrave;

namespace {

TEST(EngraveBatch, NamesAreShownOnOneLine) {
  struct {
    std::string name, shown;
  } const cases[] = {
      {"Hymn 12.nwctxt", "Hymn 12.nwctxt"},
      {"a\nok  b.nwctxt", "a\\nok  b.nwctxt"},
      {"red\x1b[31m", "red\\x1b[31m"},
      {"tab\tcr\r", "tab\\tcr\\r"},
      {"del\x7f", "del\\x7f"},
      {"back\\slash", "back\\\\slash"},
      {"caf\xC3\xA9", "caf\xC3\xA9"},  // é stays
      {"csi\xC2\x9B"
       "1m",
       "csi\\xc2\\x9b1m"},               // U+009B, a C1 control
      {"nbsp\xC2\xA0", "nbsp\xC2\xA0"},  // U+00A0 stays
      {std::string("nul\0x", 5), "nul\\x00x"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(shown_name(c.name), c.shown) << c.shown;
  EXPECT_EQ(shown_name("a.ly:3: error: \\foo\n", false), "a.ly:3: error: \\foo\\n");
}

class EngraveFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    char name[] = "/tmp/engrave-batch-test.XXXXXX";
    ASSERT_NE(mkdtemp(name), nullptr);
    dir = name;
  }
  void TearDown() override { fs::remove_all(dir); }
  void write(const fs::path& file, const std::string& text) {
    fs::create_directories((dir / file).parent_path());
    std::ofstream(dir / file, std::ios::binary) << text;
  }
  std::vector<std::string> names(const score_search& found) {
    std::vector<std::string> shown;
    for (const score_job& job : found.jobs)
      shown.push_back(job.shown + " > " + (job.output_dir / job.stem).string());
    for (const skipped_path& s : found.skipped)
      shown.push_back(s.shown + ": " + s.reason);
    return shown;
  }
  fs::path dir;
};

TEST_F(EngraveFolder, FindsEachScoreOnceAndSkipsWhatIsNoFile) {
  write("s/b.nwctxt", "x");
  write("s/sub/a.NWCTXT", "x");
  write("s/readme.txt", "x");
  fs::create_symlink("b.nwctxt", dir / "s/link.nwctxt");
  ASSERT_EQ(mkfifo((dir / "s/pipe.nwctxt").c_str(), 0600), 0);
  const std::string s = (dir / "s").string();
  const result<score_search> found =
      find_scores({s + "/b.nwctxt", s, s + "/sub/../b.nwctxt"}, dir / "o");
  ASSERT_TRUE(found) << found.reason();
  EXPECT_EQ(names(*found), (std::vector<std::string>{
                               "b.nwctxt > " + (dir / "o/b").string(),
                               "sub/a.NWCTXT > " + (dir / "o/sub/a").string(),
                               "pipe.nwctxt: a FIFO, not a score file",
                           }));
}

TEST_F(EngraveFolder, NamesThatAreNoScoreAreUsageErrors) {
  write("notes.txt", "x");
  EXPECT_EQ(find_scores({(dir / "notes.txt").string()}, {}).reason(),
            (dir / "notes.txt").string() + " is neither a .nwctxt or .nwc file nor a folder");
  EXPECT_EQ(find_scores({(dir / "gone\n.nwctxt").string()}, {}).reason(),
            "no such file or folder: " + (dir / "gone\\n.nwctxt").string());
}

TEST_F(EngraveFolder, FindsNwcFilesAndKeepsTheirOutputsApartFromTextPairs) {
  write("s/hymn.NWC", "x");
  write("s/hymn.nwctxt", "x");
  write("s/alone.nwc", "x");
  write("s/sub/anthem.Nwc", "x");
  write("s/sub/ANTHEM.NWCTXT", "x");  // another stem: file names differ in case
  write("empty/readme.txt", "x");
  const std::string s = (dir / "s").string();
  const result<score_search> found =
      find_scores({s, (dir / "empty").string(), s + "/hymn.NWC"}, std::nullopt);
  ASSERT_TRUE(found) << found.reason();
  EXPECT_EQ(names(*found), (std::vector<std::string>{
                               "alone.nwc > " + (dir / "s/alone").string(),
                               "hymn.NWC > " + (dir / "s/hymn.NWC").string(),
                               "hymn.nwctxt > " + (dir / "s/hymn").string(),
                               "sub/ANTHEM.NWCTXT > " + (dir / "s/sub/ANTHEM").string(),
                               "sub/anthem.Nwc > " + (dir / "s/sub/anthem").string(),
                           }));
  EXPECT_EQ(found->jobs[1].shown_out, "hymn.NWC");
  EXPECT_EQ(found->empty_folders, (std::vector<std::string>{(dir / "empty").string()}));
  EXPECT_TRUE(check_outputs_apart(found->jobs));
}

TEST_F(EngraveFolder, OutputsOfTwoScoresMayNotMeet) {
  write("one/a.nwctxt", "1");
  write("two/a.nwctxt", "2");
  write("out/keep", "");
  // Different spellings of one output folder meet.
  const result<score_search> spread =
      find_scores({(dir / "one").string(), (dir / "two").string()}, std::nullopt);
  ASSERT_TRUE(spread);
  EXPECT_TRUE(check_outputs_apart(spread->jobs));
  std::vector<score_job> jobs = spread->jobs;
  jobs[0].output_dir = dir / "out";
  jobs[1].output_dir = dir / "one/../out";
  EXPECT_EQ(check_outputs_apart(jobs).reason(),
            (dir / "one/a.nwctxt").string() + " and " + (dir / "two/a.nwctxt").string() +
                " would both write " + (dir / "one/../out/a").string() +
                ".*; rename one of them, or engrave them in separate runs");
}

TEST(EngraveBatch, StepsOfAnEngraving) {
  const tool_paths tools{"/bin/convert-ly", "/bin/lilypond"};
  const std::vector<engrave_step> both = lilypond_steps(tools, true, false, "-x");
  ASSERT_EQ(both.size(), 2u);
  EXPECT_EQ(both[0].argv, (std::vector<std::string>{"/bin/convert-ly", "./-x.ly"}));
  EXPECT_EQ(both[0].output_file, "-x.ly.new");
  EXPECT_EQ(both[0].replaces, "-x.ly");
  EXPECT_FALSE(both[0].reads_lilypond_log);
  EXPECT_EQ(both[1].argv, (std::vector<std::string>{"/bin/lilypond", "-o", "./-x", "./-x.ly"}));
  EXPECT_TRUE(both[1].reads_lilypond_log);
  const std::vector<engrave_step> alone = lilypond_steps(tools, false, true, "a");
  ASSERT_EQ(alone.size(), 1u);
  EXPECT_EQ(alone[0].title, "LilyPond");
  EXPECT_EQ(alone[0].argv,
            (std::vector<std::string>{"/bin/lilypond", "--pdf", "--png", "-o", "a", "a.ly"}));
}

TEST(EngraveBatch, ChoirlysFileSizeComesFromItsLimits) {
  // 4000 lines of 1997 characters, each up to four UTF-8 bytes, with CR LF; 64 to spare.
  EXPECT_EQ(choirly_path().max_file_size, 4000u * (4u * 1997u + 2u) + 64u);
  EXPECT_EQ(choirly_path().name, "choirly");
}

struct recorder : batch_observer {
  std::vector<std::string> events;
  void started(std::size_t index) override { events.push_back("start " + std::to_string(index)); }
  void finished(std::size_t index, const score_result& r) override {
    events.push_back("end " + std::to_string(index) + " " + r.reason);
  }
};

// A conversion path of the test's own: the engraver takes whatever path it is given.
conversion_path test_path(std::size_t max_size) {
  conversion_path path;
  path.name = "the test path";
  path.max_file_size = max_size;
  path.needs_convert_ly = false;
  path.convert = [](std::string_view file) {
    conversion c;
    c.log = "log\n";
    c.document = "doc " + std::string(file);
    if (file == "bad") c.verdict = failure{"bad score"};
    return c;
  };
  return path;
}

TEST_F(EngraveFolder, BatchesWriteWholeOutputsAndJudgeEachScore) {
  write("s/a.nwctxt", "good");
  write("s/b.nwctxt", "bad");
  write("s/c.nwctxt", "far too long");
  write("s/d.nwctxt", "fine");
  write("o/d.pdf", "earlier");
  const signal_guard guard;
  const score_search found = *find_scores({(dir / "s").string()}, dir / "o");
  engrave_settings settings;
  settings.jobs = 2;
  settings.ly_only = true;
  settings.path = test_path(8);
  recorder seen;
  std::vector<score_result> results;
  ASSERT_EQ(engrave_all(found.jobs, settings, seen, results), 0);
  EXPECT_EQ(seen.events,
            (std::vector<std::string>{
                "start 0", "end 0 ", "start 1", "end 1 bad score", "start 2",
                "end 2 it is 12 bytes, more than the 8 bytes that the test path can take",
                "start 3", "end 3 "}));
  ASSERT_EQ(results.size(), 4u);
  EXPECT_EQ(results[0].state, score_state::ok);
  EXPECT_EQ(results[0].main_output, ".ly");
  EXPECT_EQ(results[1].state, score_state::failed);
  std::ifstream a(dir / "o/a.ly"), b(dir / "o/b.ly");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(a), {}), "doc good");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(b), {}), "doc bad");
  EXPECT_FALSE(fs::exists(dir / "o/c.ly"));
  EXPECT_FALSE(fs::exists(dir / "o/c.log"));
  for (const auto& entry : fs::directory_iterator(dir / "o"))
    EXPECT_EQ(entry.path().filename().string().find(".choirly-engrave-"), std::string::npos);

  // With a LilyPond that fails, the earlier PDF stays and the score's line says so.
  settings.ly_only = false;
  settings.tools.lilypond = "/bin/false";
  const std::vector<score_job> only_d = {found.jobs[3]};
  ASSERT_EQ(engrave_all(only_d, settings, seen, results), 0);
  EXPECT_EQ(results[0].state, score_state::failed);
  EXPECT_EQ(results[0].reason, "LilyPond exited with status 1 (see d.log)");
  EXPECT_EQ(results[0].note, "d.pdf of an earlier run left as it was");
  std::ifstream d(dir / "o/d.pdf");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(d), {}), "earlier");
  settings.tools.lilypond = "/nonexistent/lilypond";
  ASSERT_EQ(engrave_all(only_d, settings, seen, results), 0);
  EXPECT_EQ(results[0].reason, "posix_spawn /nonexistent/lilypond: No such file or directory");
}

// A stand-in path whose conversions are chosen by the file's bytes, and which keeps what it
// was given: the scheduler writes what the path returns and judges by its verdict alone.
struct chosen_path {
  std::vector<std::string> given;
  conversion_path path(bool needs_convert_ly) {
    conversion_path p;
    p.name = "the chosen path";
    p.max_file_size = 100;
    p.needs_convert_ly = needs_convert_ly;
    p.convert = [this](std::string_view file) {
      given.emplace_back(file);
      if (file == "whole") return conversion{done{}, "\\score { c }\n", "read whole\n"};
      if (file == "half") return conversion{failure{"no end marker"}, "\\score {", "half\n"};
      return conversion{failure{"no score at all"}, {}, "nothing\n"};
    };
    return p;
  }
};

std::string contents(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return in ? std::string(std::istreambuf_iterator<char>(in), {}) : "(none)";
}

TEST_F(EngraveFolder, WhatThePathGivesIsWrittenAndJudgedByItsVerdict) {
  write("s/a.nwctxt", "whole");
  write("s/b.nwctxt", "half");
  write("s/c.nwctxt", "junk");
  const signal_guard guard;
  const score_search found = *find_scores({(dir / "s").string()}, dir / "o");
  chosen_path chosen;
  engrave_settings settings;
  settings.ly_only = true;
  settings.path = chosen.path(false);
  recorder seen;
  std::vector<score_result> results;
  ASSERT_EQ(engrave_all(found.jobs, settings, seen, results), 0);
  EXPECT_EQ(chosen.given, (std::vector<std::string>{"whole", "half", "junk"}));
  struct {
    std::string stem;
    score_state state;
    std::string reason, ly, log;
  } const expected[] = {
      {"a", score_state::ok, "", "\\score { c }\n", "read whole\n"},
      {"b", score_state::failed, "no end marker", "\\score {", "half\n"},
      {"c", score_state::failed, "no score at all", "(none)", "nothing\n"},
  };
  ASSERT_EQ(results.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) {
    const auto& e = expected[i];
    EXPECT_EQ(results[i].state, e.state) << e.stem;
    EXPECT_EQ(results[i].reason, e.reason) << e.stem;
    EXPECT_EQ(contents(dir / "o" / (e.stem + ".ly")), e.ly) << e.stem;
    EXPECT_EQ(contents(dir / "o" / (e.stem + ".log")), e.log) << e.stem;
  }
}

TEST_F(EngraveFolder, ThePathSaysWhetherConvertLyRuns) {
  write("s/a.nwctxt", "whole");
  const signal_guard guard;
  const score_search found = *find_scores({(dir / "s").string()}, dir / "o");
  chosen_path chosen;
  engrave_settings settings;
  settings.tools = {"/bin/false", "/bin/true"};
  recorder seen;
  std::vector<score_result> results;
  // A convert-ly that fails is run only for a path that needs it.
  settings.path = chosen.path(true);
  ASSERT_EQ(engrave_all(found.jobs, settings, seen, results), 0);
  EXPECT_EQ(results[0].state, score_state::failed);
  EXPECT_EQ(results[0].reason, "convert-ly exited with status 1 (see a.log)");
  fs::remove(dir / "o/a.ly");
  fs::remove(dir / "o/a.log");
  settings.path = chosen.path(false);
  ASSERT_EQ(engrave_all(found.jobs, settings, seen, results), 0);
  EXPECT_EQ(results[0].state, score_state::ok);
  EXPECT_EQ(results[0].main_output, ".ly");
  EXPECT_EQ(results[0].note, "no PDF: LilyPond wrote none");
  EXPECT_EQ(chosen.given.size(), 2u);
}

}  // namespace

// Takes the first child's exit status before the engraver can, as a parent that reaps
// children unasked would.
struct thief : batch_observer {
  pid_t stolen = 0;
  void started(std::size_t index) override {
    int status = 0;
    if (index == 1) stolen = waitpid(-1, &status, 0);
  }
  void finished(std::size_t, const score_result&) override {}
};

TEST_F(EngraveFolder, AChildThatCannotBeWaitedForFailsItsScore) {
  write("s/a.nwctxt", "one");
  write("s/b.nwctxt", "two");
  const signal_guard guard;
  const score_search found = *find_scores({(dir / "s").string()}, std::nullopt);
  engrave_settings settings;
  settings.jobs = 2;
  settings.path = test_path(100);
  settings.tools.lilypond = "/bin/true";
  thief observer;
  std::vector<score_result> results;
  ASSERT_EQ(engrave_all(found.jobs, settings, observer, results), 0);
  ASSERT_GT(observer.stolen, 0);
  EXPECT_EQ(results[0].state, score_state::failed);
  EXPECT_EQ(results[0].reason, "waitpid for LilyPond (process " + std::to_string(observer.stolen) +
                                   "): No child processes");
  EXPECT_EQ(results[1].state, score_state::ok);
  EXPECT_EQ(results[1].note, "no PDF: LilyPond wrote none");
}
