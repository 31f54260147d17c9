// choirly-engrave: writes every NoteWorthy Composer text score of the paths it is given as a
// LilyPond page (or, with --choirly, converts it with choirly and updates it with convert-ly),
// then engraves the documents with lilypond, several at a time.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "engrave/conversion.hpp"
#include "engrave/engraver.hpp"
#include "engrave/freed_memory.hpp"
#include "engrave/host.hpp"
#include "engrave/options.hpp"
#include "engrave/page_conversion.hpp"
#include "engrave/score_jobs.hpp"
#include "engrave/utf8_path.hpp"

namespace fs = std::filesystem;
using namespace choirly::engrave;

namespace {

constexpr std::string_view program = "choirly-engrave";
// A mistake in the command line: named, with where to find help; the exit status.
int usage_error(const std::string& message) {
  std::fprintf(stderr, "%s: %s (see choirly-engrave --help)\n", program.data(), message.c_str());
  return 2;
}

// Started from Explorer with nothing dropped on it: what to do, instead of a usage error in
// a window that closes at once.
constexpr std::string_view explorer_help =
    "choirly-engrave makes PDFs of NoteWorthy Composer scores (.nwc and .nwctxt) with\n"
    "LilyPond. Drop a folder of scores, or a score, on choirly-engrave.exe; the PDFs are\n"
    "written beside the scores. Or, in a command window: choirly-engrave.exe C:\\Scores\n"
    "(choirly-engrave.exe --help tells more).\n";

// Finished lines and the summary go to standard output; the status line that updates in
// place goes to standard error, and only when that is a terminal. A standard output that
// can no longer be written is noted, and the batch goes on.
class progress : public batch_observer {
 public:
  progress(const std::vector<score_job>& jobs, bool quiet, bool ly_only, bool terminal)
      : jobs_(jobs), quiet_(quiet), ly_only_(ly_only), live_(!quiet && terminal) {}

  void started(std::size_t index) override {
    if (!live_) return;
    std::fprintf(stderr, "\r\033[K[%zu/%zu] %s %s", index + 1, jobs_.size(),
                 ly_only_ ? "converting" : "engraving", jobs_[index].shown.c_str());
    std::fflush(stderr);
    shown_ = true;
  }

  void finished(std::size_t index, const score_result& r) override {
    const score_job& job = jobs_[index];
    std::string note = r.note;
    if (r.warnings > 0)
      note += (note.empty() ? "" : "; ") + std::to_string(r.warnings) + " LilyPond warning" +
              (r.warnings == 1 ? "" : "s");
    note = note.empty() ? "" : " (" + note + ")";
    if (r.state == score_state::failed)
      print("FAILED  " + job.shown + ": " + shown_name(r.reason, false) + note + "\n");
    else if (!quiet_)
      print("ok  " + job.shown + " -> " + job.shown_out + r.main_output + note + "\n");
  }

  void skipped(const skipped_path& s) { print("skipped  " + s.shown + ": " + s.reason + "\n"); }

  void print(const std::string& text) {
    clear();
    if (!written_) return;
    if (std::fputs(text.c_str(), stdout) < 0 || std::fflush(stdout) != 0)
      written_ = failure{std::strerror(errno != 0 ? errno : EIO)};
  }

  void clear() {
    if (!shown_) return;
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
    shown_ = false;
  }

  // Whether every line reached standard output, and the first error when not.
  const outcome& written() const { return written_; }

 private:
  const std::vector<score_job>& jobs_;
  bool quiet_, ly_only_, live_;
  bool shown_ = false;
  outcome written_ = done{};
};

// The scores to run: those found, less text copies that would replace their own source.
std::vector<score_job> jobs_to_run(const score_search& found, const options& opts,
                                   std::vector<skipped_path>& skipped) {
  std::vector<score_job> jobs;
  for (const score_job& job : found.jobs) {
    // A text copy written beside a text score would be the score itself.
    std::error_code error;
    if (opts.nwctxt_only &&
        fs::equivalent(job.source, job.output_dir / path_of(job.stem + ".nwctxt"), error)) {
      skipped.push_back(
          {job.shown, "a text score already; its copy would replace it (use -o DIR)"});
      continue;
    }
    jobs.push_back(job);
  }
  return jobs;
}

// The batch's settings from the options, with LilyPond found unless no engraving is asked.
result<engrave_settings> settings_for(const options& opts) {
  engrave_settings settings;
  settings.jobs =
      opts.jobs != 0 ? opts.jobs : std::max<std::size_t>(1, std::thread::hardware_concurrency());
  settings.timeout_seconds = opts.timeout;
  settings.png = opts.png;
  settings.ly_only = opts.ly_only || opts.nwctxt_only;
  settings.path = opts.nwctxt_only ? text_copy_path(opts.code_page)
                  : opts.choirly   ? choirly_path(opts.code_page)
                                   : page_path(opts.code_page, opts.parts);
  if (!settings.ly_only) {
    const result<tool_paths> tools = find_tools(opts.lilypond, settings.path.needs_convert_ly);
    if (!tools) return failure{tools.reason()};
    settings.tools = *tools;
  }
  return settings;
}

// The run's last line: how many scores were done, failed, skipped or, after an interrupt,
// not run at all.
std::string summary_of(const std::vector<score_job>& jobs, const std::vector<score_result>& results,
                       const std::vector<skipped_path>& skipped, bool ly_only, int signal) {
  std::size_t ok = 0, failed = 0;
  std::string failed_names, skipped_names;
  for (std::size_t i = 0; i < jobs.size(); ++i) {
    if (results[i].state == score_state::ok) ++ok;
    if (results[i].state != score_state::failed) continue;
    failed_names += (failed++ == 0 ? ": " : ", ") + jobs[i].shown;
  }
  for (const skipped_path& s : skipped)
    skipped_names += (skipped_names.empty() ? "" : ", ") + s.shown;
  const char* done = ly_only ? "converted" : "engraved";
  if (signal != 0)
    return "interrupted: " + std::to_string(ok) + " " + done + ", " + std::to_string(failed) +
           " failed, " + std::to_string(jobs.size() - ok - failed) + " not run\n";
  std::string summary =
      std::to_string(ok) + " " + done + ", " + std::to_string(failed) + " failed" + failed_names;
  if (!skipped.empty())
    summary += "; " + std::to_string(skipped.size()) + " skipped: " + skipped_names;
  return summary + "\n";
}

int run(const std::vector<std::string>& args, bool terminal) {
  // Taken from the start, so that an interrupt finds the batch in a state it can clean up.
  const signal_guard signals;
  std::vector<const char*> argv;
  for (const std::string& arg : args)
    argv.push_back(arg.c_str());
  const result<options> parsed = parse_options(static_cast<int>(argv.size()), argv.data());
  if (!parsed) return usage_error(parsed.reason());
  const options& opts = *parsed;
  if (opts.asked == options::request::help) {
    std::fputs(usage_text.data(), stdout);
    return 0;
  }
  if (opts.asked == options::request::version) {
    std::printf("choirly-engrave %s\n", CHOIRLY_VERSION);
    return 0;
  }
  const result<score_search> searched = find_scores(opts.paths, opts.output_dir);
  if (!searched) return usage_error(searched.reason());
  const score_search& found = *searched;
  for (const std::string& folder : found.empty_folders)
    std::fprintf(stderr, "%s: no NoteWorthy Composer scores in %s\n", program.data(),
                 folder.c_str());
  std::vector<skipped_path> skipped = found.skipped;
  const std::vector<score_job> jobs = jobs_to_run(found, opts, skipped);
  if (const outcome apart = check_outputs_apart(jobs, opts.parts); !apart) {
    std::fprintf(stderr, "%s: %s\n", program.data(), apart.reason().c_str());
    return 1;
  }
  const result<engrave_settings> set = settings_for(opts);
  if (!set) {
    std::fprintf(stderr, "%s: %s\n", program.data(), set.reason().c_str());
    return 1;
  }
  const engrave_settings& settings = *set;
  if (opts.output_dir) {
    std::error_code error;
    fs::create_directories(*opts.output_dir, error);
    if (error)
      return usage_error("cannot create " + shown_path(*opts.output_dir) + ": " + error.message());
  }

  progress shown(jobs, opts.quiet, settings.ly_only, terminal);
  for (const skipped_path& s : skipped)
    shown.skipped(s);
  std::vector<score_result> results;
  const int signal = engrave_all(jobs, settings, shown, results);
  shown.clear();
  const std::string summary = summary_of(jobs, results, skipped, settings.ly_only, signal);
  shown.print(summary);
  if (!shown.written())
    std::fprintf(stderr, "%s: cannot write to standard output: %s; the run went on: %s",
                 program.data(), shown.written().reason().c_str(), summary.c_str());
  if (signal != 0) return 128 + signal;
  const bool none_failed = std::none_of(results.begin(), results.end(), [](const score_result& r) {
    return r.state == score_state::failed;
  });
  return none_failed && skipped.empty() && found.empty_folders.empty() && shown.written() ? 0 : 1;
}
}  // namespace

int main(int argc, char** argv) {
  keep_freed_memory();
  const bool terminal = prepare_console();
  const std::vector<std::string> args = utf8_arguments(argc, argv);
  // A window of its own closes when the program ends: it waits for Enter so that the lines
  // can be read.
  const bool own_window = owns_console_window();
  if (own_window && args.size() <= 1) {
    std::fputs(explorer_help.data(), stdout);
    wait_for_enter();
    return 2;
  }
  const int status = run(args, terminal);
  if (own_window) wait_for_enter();
  return status;
}
