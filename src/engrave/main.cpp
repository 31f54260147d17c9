// choirly-engrave: writes every NoteWorthy Composer text score of the paths it is given as a
// LilyPond page (or, with --choirly, converts it with choirly and updates it with convert-ly),
// then engraves the documents with lilypond, several at a time.
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "engrave/engraver.hpp"
#include "engrave/page_conversion.hpp"
#include "engrave/score_jobs.hpp"

namespace fs = std::filesystem;
using namespace choirly::engrave;

namespace {

constexpr std::string_view program = "choirly-engrave";
constexpr int default_timeout = 600;

constexpr std::string_view usage_text =
    "usage: choirly-engrave [-j N] [-o DIR] [--timeout SECONDS] [--choirly] [--ly-only]\n"
    "                       [--png] [-q] [--help] [--version] [--] PATH...\n"
    "\n"
    "Writes each NoteWorthy Composer text score (.nwctxt) as a LilyPond 2.24 score, with its\n"
    "lyrics, triplets and changes in place, and engraves it with LilyPond. A PATH is a score,\n"
    "or a folder searched for scores in every subfolder. NAME.ly, NAME.pdf, NAME.midi and\n"
    "NAME.log are written beside each score.\n"
    "\n"
    "  -j N       engrave N scores at a time (default: the number of cores)\n"
    "  -o DIR     write into DIR instead, keeping the folders below each PATH\n"
    "  --timeout SECONDS\n"
    "             end a convert-ly or lilypond run that takes longer (default 600, 0: never)\n"
    "  --choirly  convert with choirly's fixed format instead, updated by convert-ly\n"
    "  --ly-only  write the .ly files alone, without LilyPond\n"
    "  --png      write PNG pages as well\n"
    "  -q         print only the failures and the summary\n"
    "  --help     print this help\n"
    "  --version  print the version\n"
    "  --         every argument after it is a PATH\n";

struct options {
  std::size_t jobs = 0;
  int timeout = default_timeout;
  std::optional<fs::path> output_dir;
  bool ly_only = false;
  bool choirly = false;
  bool png = false;
  bool quiet = false;
  std::vector<std::string> paths;
};

[[noreturn]] void usage_error(const std::string& message) {
  std::fprintf(stderr, "%s: %s (see choirly-engrave --help)\n", program.data(), message.c_str());
  std::exit(2);
}

std::optional<int> whole_number(std::string_view text, int most) {
  if (text.empty() || text.size() > 9) return std::nullopt;
  int n = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    n = n * 10 + (c - '0');
  }
  if (n > most) return std::nullopt;
  return n;
}

options parse_options(int argc, char** argv) {
  options opts;
  bool only_paths = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    // An option's value: the rest of the argument, or the next argument.
    const auto value_of = [&](std::string_view name, std::string_view attached) {
      if (!attached.empty()) return attached;
      if (i + 1 == argc) usage_error(std::string(name) + " needs a value");
      return std::string_view(argv[++i]);
    };
    if (only_paths || arg.empty() || arg[0] != '-' || arg == "-") {
      opts.paths.emplace_back(arg);
    } else if (arg == "--") {
      only_paths = true;
    } else if (arg == "--help") {
      std::fputs(usage_text.data(), stdout);
      std::exit(0);
    } else if (arg == "--version") {
      std::printf("choirly-engrave %s\n", CHOIRLY_VERSION);
      std::exit(0);
    } else if (arg == "--ly-only") {
      opts.ly_only = true;
    } else if (arg == "--choirly") {
      opts.choirly = true;
    } else if (arg == "--png") {
      opts.png = true;
    } else if (arg == "-q") {
      opts.quiet = true;
    } else if (arg == "--timeout" || arg.starts_with("--timeout=")) {
      const std::string_view value =
          arg == "--timeout" ? value_of("--timeout", arg.substr(arg.size())) : arg.substr(10);
      const std::optional<int> n = whole_number(value, 999999);
      if (!n)
        usage_error("--timeout needs a whole number of seconds from 0 to 999999, not '" +
                    shown_name(value) + "'");
      opts.timeout = *n;
    } else if (arg.starts_with("-j")) {
      const std::string_view value = value_of("-j", arg.substr(2));
      const std::optional<int> n = whole_number(value, 9999);
      if (!n || *n < 1)
        usage_error("-j needs a whole number from 1 to 9999, not '" + shown_name(value) + "'");
      opts.jobs = static_cast<std::size_t>(*n);
    } else if (arg.starts_with("-o")) {
      const std::string_view value = value_of("-o", arg.substr(2));
      if (value.empty()) usage_error("-o needs a folder name");
      opts.output_dir = fs::path(value);
    } else {
      usage_error("unknown option " + shown_name(arg) +
                  "; a PATH that begins with '-' goes after --");
    }
  }
  if (opts.paths.empty()) usage_error("no PATH given");
  if (opts.jobs == 0)
    opts.jobs = static_cast<std::size_t>(std::max(1L, sysconf(_SC_NPROCESSORS_ONLN)));
  return opts;
}

// The full path of a program found on PATH, or empty. Children run in work folders, so the
// path is made absolute.
std::string find_program(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::string_view dirs = path ? path : "";
  while (true) {
    const std::size_t colon = dirs.find(':');
    const std::string dir(dirs.substr(0, colon));
    const fs::path candidate = fs::path(dir.empty() ? "." : dir) / name;
    std::error_code error;
    if (access(candidate.c_str(), X_OK) == 0 && fs::is_regular_file(candidate, error))
      return fs::absolute(candidate, error).string();
    if (colon == std::string_view::npos) return {};
    dirs.remove_prefix(colon + 1);
  }
}

// Finished lines and the summary go to standard output; the status line that updates in
// place goes to standard error, and only when that is a terminal. A standard output that
// can no longer be written is noted, and the batch goes on.
class progress : public batch_observer {
 public:
  progress(const std::vector<score_job>& jobs, bool quiet, bool ly_only)
      : jobs_(jobs), quiet_(quiet), ly_only_(ly_only), live_(!quiet && isatty(STDERR_FILENO)) {}

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
    if (output_error_ != 0) return;
    if (std::fputs(text.c_str(), stdout) < 0 || std::fflush(stdout) != 0)
      output_error_ = errno != 0 ? errno : EIO;
  }

  void clear() {
    if (!shown_) return;
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
    shown_ = false;
  }

  int output_error() const { return output_error_; }

 private:
  const std::vector<score_job>& jobs_;
  bool quiet_, ly_only_, live_;
  bool shown_ = false;
  int output_error_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
  // Taken from the start, so that an interrupt finds the batch in a state it can clean up.
  const signal_guard signals;
  const options opts = parse_options(argc, argv);
  score_search found = find_scores(opts.paths, opts.output_dir);
  if (!found.usage_error.empty()) usage_error(found.usage_error);
  const std::vector<score_job>& jobs = found.jobs;
  if (const std::string collision = output_collision(jobs); !collision.empty()) {
    std::fprintf(stderr, "%s: %s\n", program.data(), collision.c_str());
    return 1;
  }

  engrave_settings settings;
  settings.jobs = opts.jobs;
  settings.timeout_seconds = opts.timeout;
  settings.png = opts.png;
  settings.ly_only = opts.ly_only;
  settings.path = opts.choirly ? choirly_path() : page_path();
  if (!opts.ly_only) {
    settings.tools.convert_ly = find_program("convert-ly");
    settings.tools.lilypond = find_program("lilypond");
    const bool no_convert_ly = settings.path.needs_convert_ly && settings.tools.convert_ly.empty();
    const bool no_lilypond = settings.tools.lilypond.empty();
    if (no_convert_ly || no_lilypond) {
      const char* missing = no_lilypond && no_convert_ly ? "lilypond and convert-ly are"
                            : no_lilypond                ? "lilypond is"
                                                         : "convert-ly is";
      std::fprintf(stderr,
                   "%s: %s not on PATH; install LilyPond, or use --ly-only to write the .ly "
                   "files alone\n",
                   program.data(), missing);
      return 1;
    }
  }
  if (opts.output_dir) {
    std::error_code error;
    fs::create_directories(*opts.output_dir, error);
    if (error)
      usage_error("cannot create " + shown_name(opts.output_dir->string()) + ": " +
                  error.message());
  }

  progress shown(jobs, opts.quiet, opts.ly_only);
  for (const skipped_path& s : found.skipped)
    shown.skipped(s);
  std::vector<score_result> results;
  const int signal = engrave_all(jobs, settings, shown, results);
  shown.clear();

  std::size_t ok = 0, failed = 0;
  std::string failed_names, skipped_names;
  for (std::size_t i = 0; i < jobs.size(); ++i) {
    if (results[i].state == score_state::ok) ++ok;
    if (results[i].state != score_state::failed) continue;
    failed_names += (failed++ == 0 ? ": " : ", ") + jobs[i].shown;
  }
  for (const skipped_path& s : found.skipped)
    skipped_names += (skipped_names.empty() ? "" : ", ") + s.shown;
  const char* done = opts.ly_only ? "converted" : "engraved";
  std::string summary;
  if (signal != 0) {
    summary = "interrupted: " + std::to_string(ok) + " " + done + ", " + std::to_string(failed) +
              " failed, " + std::to_string(jobs.size() - ok - failed) + " not run\n";
  } else {
    summary =
        std::to_string(ok) + " " + done + ", " + std::to_string(failed) + " failed" + failed_names;
    if (!found.skipped.empty())
      summary += "; " + std::to_string(found.skipped.size()) + " skipped: " + skipped_names;
    summary += "\n";
  }
  shown.print(summary);
  if (shown.output_error() != 0)
    std::fprintf(stderr, "%s: cannot write to standard output: %s; the run went on: %s",
                 program.data(), std::strerror(shown.output_error()), summary.c_str());
  if (signal != 0) return 128 + signal;
  return failed == 0 && found.skipped.empty() && shown.output_error() == 0 ? 0 : 1;
}
