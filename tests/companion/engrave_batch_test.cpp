// Units of choirly-engrave's batch: names shown in messages, finding scores once, output
// collisions, the steps of an engraving, and whole batches with a conversion of the test's own.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "engrave/conversion.hpp"
#include "engrave/engraver.hpp"
#include "engrave/lilypond_steps.hpp"
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

TEST_F(EngraveFolder, PartsOfAScoreMayNotMeetAnotherScore) {
  write("hymn.nwctxt", "1");
  write("hymn-Women.nwctxt", "2");
  write("hymnal-Men.nwctxt", "3");
  const result<score_search> found = find_scores({dir.string()}, std::nullopt);
  ASSERT_TRUE(found);
  EXPECT_TRUE(check_outputs_apart(found->jobs));
  EXPECT_EQ(check_outputs_apart(found->jobs, true).reason(),
            "the parts of " + (dir / "hymn.nwctxt").string() + " (--parts) could replace " +
                (dir / "hymn-Women").string() + ".*, written for " +
                (dir / "hymn-Women.nwctxt").string() +
                "; rename one of them, or engrave them in separate runs");
  // Apart in folders of their own, or with no score A before the dash, they do not meet.
  std::vector<score_job> jobs = found->jobs;
  std::erase_if(jobs, [](const score_job& j) { return j.stem == "hymn"; });
  EXPECT_TRUE(check_outputs_apart(jobs, true));
  jobs = found->jobs;
  for (score_job& j : jobs)
    if (j.stem == "hymn") j.output_dir = dir / "out";
  EXPECT_TRUE(check_outputs_apart(jobs, true));
}

TEST(EngraveBatch, StepsOfAnEngraving) {
  const tool_paths tools{{"/bin/convert-ly"}, "/bin/lilypond"};
  const engrave_step convert = convert_ly_step(tools, "-x");
  EXPECT_EQ(convert.argv, (std::vector<std::string>{"/bin/convert-ly", "./-x.ly"}));
  EXPECT_EQ(convert.output_file, "-x.ly.new");
  EXPECT_EQ(convert.replaces, "-x.ly");
  const engrave_step alone = lilypond_step(tools, true, {"a"});
  EXPECT_EQ(alone.title, "LilyPond");
  EXPECT_EQ(alone.argv, (std::vector<std::string>{"/bin/lilypond", "--pdf", "--png", "a.ly"}));
  EXPECT_EQ(alone.output_file, "");
  // Several documents to one process, each named as its "Processing" line names it.
  EXPECT_EQ(lilypond_step(tools, false, {"b", "-c", "d.e"}).argv,
            (std::vector<std::string>{"/bin/lilypond", "b.ly", "./-c.ly", "d.e.ly"}));
  // LilyPond for Windows runs convert-ly's script with the Python it brings.
  const tool_paths windows{{"C:\\lp\\bin\\python.exe", "C:\\lp\\bin\\convert-ly.py"},
                           "C:\\lp\\bin\\lilypond.exe"};
  EXPECT_EQ(
      convert_ly_step(windows, "a").argv,
      (std::vector<std::string>{"C:\\lp\\bin\\python.exe", "C:\\lp\\bin\\convert-ly.py", "a.ly"}));
}

TEST(EngraveBatch, OutputsOfOneScoreAmongOthers) {
  struct {
    std::string file, stem;
    bool output;
  } const files[] = {
      {"a.pdf", "a", true},    {"a-page2.png", "a", true}, {"a-1.midi", "a", true},
      {"a.ly", "a", true},     {"ab.pdf", "a", false},     {"a", "a", false},
      {"b.a.pdf", "a", false}, {"a.b.pdf", "a.b", true},   {"a.b.pdf", "a", true},
      {"-x.midi", "-x", true},
  };
  for (const auto& f : files)
    EXPECT_EQ(is_output_of(f.file, f.stem), f.output) << f.file << " of " << f.stem;
  // Such stems never share a process.
  EXPECT_TRUE(outputs_overlap("a", "a"));
  EXPECT_TRUE(outputs_overlap("a", "a.b"));
  EXPECT_TRUE(outputs_overlap("a-1", "a"));
  EXPECT_FALSE(outputs_overlap("a", "ab"));
  EXPECT_FALSE(outputs_overlap("a.b", "a.c"));
}

TEST(EngraveBatch, LilyPondsOutputCutIntoEachDocumentsPart) {
  const std::vector<std::string> documents = {"a.ly", "b.ly", "./-c.ly"};
  const std::string a = "Processing `a.ly'\nParsing...\nConverting to `a.pdf'...\n";
  const std::string b = "Processing `b.ly'\nb.ly:2:6: error: unknown escaped string\n";
  const std::string c = "Processing `./-c.ly'\nProcessing `b.ly'\nc.ly:1:1: warning: w\n";
  const std::string success = "Success: compilation successfully completed\n";
  const std::string failed_b = "fatal error: failed files: \"b.ly\"\n";

  // A whole run that failed one document: each part reads as that document alone.
  const lilypond_output run =
      split_lilypond_output("GNU LilyPond\n" + a + b + c + failed_b, documents);
  EXPECT_EQ(run.preamble, "GNU LilyPond\n");
  EXPECT_EQ(run.parts, (std::vector<std::string>{a, b, c}));
  EXPECT_EQ(run.closing, "fatal error: failed files: \"b.ly\"");
  EXPECT_EQ(run.alone(0, "a.ly"), "GNU LilyPond\n" + a + success);
  EXPECT_EQ(run.alone(1, "b.ly"), "GNU LilyPond\n" + b + failed_b);
  EXPECT_EQ(run.alone(2, "./-c.ly"), "GNU LilyPond\n" + c + success);

  // A run cut short: the parts begun, no closing line; announcements out of order are text.
  const lilypond_output cut = split_lilypond_output(b + a + "Drawing", documents);
  EXPECT_EQ(cut.preamble, b);
  EXPECT_EQ(cut.parts, (std::vector<std::string>{a + "Drawing"}));
  EXPECT_EQ(cut.closing, "");
  EXPECT_EQ(cut.alone(0, "a.ly"), b + a + "Drawing");
  EXPECT_EQ(cut.alone(1, "b.ly"), b);

  const lilypond_output ok = split_lilypond_output(a + success, {"a.ly"});
  EXPECT_EQ(ok.alone(0, "a.ly"), a + success);
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
  settings.tools = {{"/bin/false"}, "/bin/true"};
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

// The files of each LilyPond process the stand-in lilypond ran, one line each.
std::vector<std::string> lilypond_runs(const fs::path& runs) {
  std::vector<std::string> lines;
  std::ifstream in(runs);
  for (std::string line; std::getline(in, line);)
    lines.push_back(line);
  fs::remove(runs);
  return lines;
}

TEST_F(EngraveFolder, GroupsKeepToTheirBounds) {
  // Sizes 5, 4, 3, 2 and 1 bytes: taken longest first.
  for (const auto& [name, bytes] : std::vector<std::pair<std::string, std::string>>{
           {"e", "fffff"}, {"d", "dddd"}, {"c", "ccc"}, {"b-1", "bb"}, {"b", "b"}})
    write("s/" + name + ".nwctxt", bytes);
  const signal_guard guard;
  const score_search found = *find_scores({(dir / "s").string()}, dir / "o");
  engrave_settings settings;
  settings.path = test_path(100);
  settings.tools.lilypond = std::string(STANDIN_DIR) + "/lilypond";
  ASSERT_EQ(setenv("STANDIN_RUNS", (dir / "runs").c_str(), 1), 0);
  recorder seen;
  std::vector<score_result> results;
  struct {
    std::size_t jobs, scores;
    std::uintmax_t bytes;
    std::vector<std::string> runs;
  } const rows[] = {
      // b and b-1 never share a process: b-1's outputs would pass for b's.
      {1, 12, 1000, {"e.ly d.ly c.ly b-1.ly", "b.ly"}},
      {1, 2, 1000, {"e.ly d.ly", "c.ly b-1.ly", "b.ly"}},
      // Within 7 bytes of score files: e (5) takes b-1 (2), d (4) takes c (3).
      {1, 12, 7, {"e.ly b-1.ly", "d.ly c.ly", "b.ly"}},
      // Two workers share the five scores: three, then two (which go apart).
      {2, 12, 1000, {"e.ly d.ly c.ly", "b.ly", "b-1.ly"}},
  };
  for (const auto& row : rows) {
    settings.jobs = row.jobs;
    settings.group_scores = row.scores;
    settings.group_bytes = row.bytes;
    ASSERT_EQ(engrave_all(found.jobs, settings, seen, results), 0);
    std::vector<std::string> runs = lilypond_runs(dir / "runs");
    if (row.jobs > 1) std::sort(runs.begin(), runs.end(), std::greater<>());
    EXPECT_EQ(runs, row.runs) << row.scores << " scores, " << row.bytes << " bytes";
    for (const score_result& r : results)
      EXPECT_EQ(r.state, score_state::ok) << r.reason;
  }
  unsetenv("STANDIN_RUNS");
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
