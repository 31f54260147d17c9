// choirly-engrave: converts every NoteWorthy Composer text score of the paths it is given
// with choirly, then engraves the documents with convert-ly and lilypond, several at a time.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "engrave/conversion.hpp"

extern char** environ;

namespace fs = std::filesystem;
using namespace choirly::engrave;

namespace {

constexpr std::string_view program = "choirly-engrave";

constexpr std::string_view usage_text =
    "usage: choirly-engrave [-j N] [-o DIR] [--ly-only] [--png] [-q] [--help] [--version] "
    "PATH...\n"
    "\n"
    "Converts each NoteWorthy Composer text score (.nwctxt) with choirly and engraves it\n"
    "with LilyPond. A PATH is a score, or a folder searched for scores in every subfolder.\n"
    "NAME.ly, NAME.pdf, NAME.midi and NAME.log are written beside each score.\n"
    "\n"
    "  -j N       engrave N scores at a time (default: the number of cores)\n"
    "  -o DIR     write into DIR instead, keeping the folders below each PATH\n"
    "  --ly-only  write the .ly files as choirly writes them, without LilyPond\n"
    "  --png      write PNG pages as well\n"
    "  -q         print only the failures and the summary\n"
    "  --help     print this help\n"
    "  --version  print the version\n";

struct options {
  int jobs = 0;
  std::optional<fs::path> output_dir;
  bool ly_only = false;
  bool png = false;
  bool quiet = false;
  std::vector<std::string> paths;
};

struct score_job {
  fs::path source;
  std::string shown;      // the score's name as the messages give it
  std::string base;       // output path without extension
  std::string shown_out;  // the same for the outputs
  bool failed = false;
  std::string reason;
  int warnings = 0;
  bool no_pdf = false;  // LilyPond succeeded but skipped a score without music
  pid_t child = -1;
  bool in_lilypond = false;
  off_t lilypond_start = 0;  // where lilypond's output begins in the log
};

[[noreturn]] void usage_error(const std::string& message) {
  std::fprintf(stderr, "%s: %s (see choirly-engrave --help)\n", program.data(), message.c_str());
  std::exit(2);
}

std::optional<int> whole_number(std::string_view text) {
  if (text.empty() || text.size() > 4) return std::nullopt;
  int n = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    n = n * 10 + (c - '0');
  }
  return n;
}

options parse_options(int argc, char** argv) {
  options opts;
  bool only_paths = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
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
    } else if (arg == "--png") {
      opts.png = true;
    } else if (arg == "-q") {
      opts.quiet = true;
    } else if (arg.starts_with("-j") || arg.starts_with("-o")) {
      std::string_view value = arg.substr(2);
      if (value.empty()) {
        if (i + 1 == argc) usage_error(std::string(arg) + " needs a value");
        value = argv[++i];
      }
      if (arg[1] == 'o') {
        if (value.empty()) usage_error("-o needs a folder name");
        opts.output_dir = fs::path(value);
      } else {
        const std::optional<int> n = whole_number(value);
        if (!n || *n < 1)
          usage_error("-j needs a whole number from 1 to 9999, not " + std::string(value));
        opts.jobs = *n;
      }
    } else {
      usage_error("unknown option " + std::string(arg));
    }
  }
  if (opts.paths.empty()) usage_error("no PATH given");
  if (opts.jobs == 0) opts.jobs = std::max(1L, sysconf(_SC_NPROCESSORS_ONLN));
  return opts;
}

bool has_score_extension(const fs::path& file) {
  std::string ext = file.extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return ext == ".nwctxt";
}

score_job make_job(const fs::path& source, const fs::path& below, const fs::path& out_root) {
  score_job job;
  job.source = source;
  job.shown = below.string();
  fs::path base = out_root / below;
  base.replace_extension();
  job.base = base.string();
  fs::path shown_out = below;
  job.shown_out = shown_out.replace_extension().string();
  return job;
}

// Every score below the paths, in the order given and, within a folder, sorted by path.
std::vector<score_job> find_scores(const options& opts) {
  std::vector<score_job> jobs;
  for (const std::string& arg : opts.paths) {
    const fs::path path(arg);
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (fs::is_directory(status)) {
      std::vector<fs::path> found;
      const auto walk = fs::directory_options::skip_permission_denied;
      for (fs::recursive_directory_iterator it(path, walk, error), end; !error && it != end;
           it.increment(error))
        if (it->is_regular_file(error) && has_score_extension(it->path()))
          found.push_back(it->path());
      if (error) usage_error("cannot search " + arg + ": " + error.message());
      std::sort(found.begin(), found.end());
      for (const fs::path& file : found)
        jobs.push_back(
            make_job(file, file.lexically_relative(path), opts.output_dir.value_or(path)));
    } else if (fs::exists(status)) {
      if (!has_score_extension(path)) usage_error(arg + " is neither a .nwctxt file nor a folder");
      jobs.push_back(make_job(path, path.filename(), opts.output_dir.value_or(path.parent_path())));
    } else {
      usage_error("no such file or folder: " + arg);
    }
  }
  return jobs;
}

// The full path of a program found on PATH, or empty.
std::string find_program(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::string_view dirs = path ? path : "";
  while (true) {
    const std::size_t colon = dirs.find(':');
    const std::string dir(dirs.substr(0, colon));
    const std::string candidate = (dir.empty() ? "." : dir) + "/" + name;
    if (access(candidate.c_str(), X_OK) == 0 && fs::is_regular_file(candidate)) return candidate;
    if (colon == std::string_view::npos) return {};
    dirs.remove_prefix(colon + 1);
  }
}

bool write_file(const std::string& path, std::string_view data) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(data.data(), static_cast<std::streamsize>(data.size()));
  file.close();
  return !file.fail();
}

std::optional<std::string> read_file(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  std::string data((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (file.bad()) return std::nullopt;
  return data;
}

// A relative path that begins with '-' would read as an option to the child.
std::string as_argument(const std::string& path) {
  return path.starts_with("-") ? "./" + path : path;
}

// Finished lines and the summary go to standard output; the status line that updates in
// place goes to standard error, and only when that is a terminal.
class progress {
 public:
  progress(bool quiet, std::size_t total)
      : quiet_(quiet), live_(!quiet && isatty(STDERR_FILENO)), total_(total) {}

  void status(std::size_t number, std::string_view doing, const std::string& name) {
    if (!live_) return;
    std::fprintf(stderr, "\r\033[K[%zu/%zu] %s %s", number, total_, doing.data(), name.c_str());
    std::fflush(stderr);
    shown_ = true;
  }
  void finished(const score_job& job, std::string_view output_suffix) {
    clear();
    if (job.failed) {
      std::printf("FAILED  %s: %s\n", job.shown.c_str(), job.reason.c_str());
    } else if (!quiet_) {
      std::printf("ok  %s -> %s%s", job.shown.c_str(), job.shown_out.c_str(),
                  job.no_pdf ? ".ly" : output_suffix.data());
      std::string notes = job.no_pdf ? "no PDF: LilyPond skipped a score without music" : "";
      if (job.warnings > 0)
        notes += (notes.empty() ? "" : "; ") + std::to_string(job.warnings) + " LilyPond warning" +
                 (job.warnings == 1 ? "" : "s");
      std::printf(notes.empty() ? "\n" : " (%s)\n", notes.c_str());
    }
    std::fflush(stdout);
  }
  void clear() {
    if (!shown_) return;
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
    shown_ = false;
  }

 private:
  bool quiet_, live_;
  std::size_t total_;
  bool shown_ = false;
};

void fail(score_job& job, std::string reason) {
  job.failed = true;
  job.reason = std::move(reason);
}

// Converts the score in this process and writes NAME.ly and NAME.log. True when there is a
// document to engrave.
bool convert_job(score_job& job) {
  std::error_code error;
  fs::create_directories(fs::path(job.base).parent_path(), error);
  const std::optional<std::string> bytes = read_file(job.source);
  if (!bytes) {
    fail(job, "cannot read it: " + std::string(std::strerror(errno)));
    return false;
  }
  const conversion result = convert_score(*bytes);
  if (!write_file(job.base + ".log", result.log)) {
    fail(job, "cannot write " + job.base + ".log: " + std::strerror(errno));
    return false;
  }
  if (!result.document.empty() && !write_file(job.base + ".ly", result.document)) {
    fail(job, "cannot write " + job.base + ".ly: " + std::strerror(errno));
    return false;
  }
  if (!result.ok) fail(job, result.reason);
  return result.ok;
}

// Starts a child with standard input from /dev/null, standard output to `out_fd` and
// standard error to `err_fd`. Returns -1 when it cannot start.
pid_t start_child(const std::vector<std::string>& args, int out_fd, int err_fd) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, out_fd, STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, err_fd, STDERR_FILENO);
  std::vector<char*> argv;
  for (const std::string& arg : args)
    argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  pid_t pid = -1;
  const int error = posix_spawn(&pid, args[0].c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  return error == 0 ? pid : -1;
}

class engraver {
 public:
  engraver(const options& opts, std::string convert_ly, std::string lilypond)
      : opts_(opts), convert_ly_(std::move(convert_ly)), lilypond_(std::move(lilypond)) {}

  // Runs the stages of the queued jobs, at most opts.jobs at a time, and reports each one.
  void run(std::vector<score_job>& jobs, const std::vector<std::size_t>& queue, progress& shown) {
    std::size_t next = 0;
    std::map<pid_t, std::size_t> running;
    while (next < queue.size() || !running.empty()) {
      while (running.size() < static_cast<std::size_t>(opts_.jobs) && next < queue.size()) {
        const std::size_t index = queue[next++];
        shown.status(index + 1, "engraving", jobs[index].shown);
        if (start_convert_ly(jobs[index]))
          running[jobs[index].child] = index;
        else
          shown.finished(jobs[index], "");
      }
      int status = 0;
      const pid_t pid = waitpid(-1, &status, 0);
      if (pid < 0) {
        if (errno == EINTR) continue;
        break;
      }
      const auto found = running.find(pid);
      if (found == running.end()) continue;
      score_job& job = jobs[found->second];
      const std::size_t index = found->second;
      running.erase(found);
      if (!job.in_lilypond && convert_ly_done(job, status) && start_lilypond(job)) {
        running[job.child] = index;
        continue;
      }
      if (job.in_lilypond) lilypond_done(job, status);
      shown.finished(job, ".pdf");
    }
  }

 private:
  static std::string exit_text(int status) {
    if (WIFEXITED(status)) return "exited with status " + std::to_string(WEXITSTATUS(status));
    return "was stopped by signal " + std::to_string(WTERMSIG(status));
  }

  int open_log(score_job& job) {
    const int fd = open((job.base + ".log").c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    if (fd < 0) fail(job, "cannot open " + job.base + ".log: " + std::strerror(errno));
    return fd;
  }

  // convert-ly writes the updated document to NAME.ly.new, which replaces NAME.ly after.
  bool start_convert_ly(score_job& job) {
    const int log = open_log(job);
    if (log < 0) return false;
    const std::string updated = job.base + ".ly.new";
    const int out = open(updated.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (out < 0) {
      fail(job, "cannot write " + updated + ": " + std::strerror(errno));
      close(log);
      return false;
    }
    job.child = start_child({convert_ly_, as_argument(job.base + ".ly")}, out, log);
    close(out);
    close(log);
    if (job.child < 0) fail(job, "cannot start " + convert_ly_);
    return job.child >= 0;
  }

  bool convert_ly_done(score_job& job, int status) {
    const std::string updated = job.base + ".ly.new";
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) {
      std::error_code error;
      fs::rename(updated, job.base + ".ly", error);
      if (!error) return true;
      fail(job, "cannot replace " + job.base + ".ly: " + error.message());
      return false;
    }
    std::remove(updated.c_str());
    fail(job, "convert-ly " + exit_text(status) + " (see " + job.shown_out + ".log)");
    return false;
  }

  bool start_lilypond(score_job& job) {
    const int log = open_log(job);
    if (log < 0) return false;
    job.lilypond_start = lseek(log, 0, SEEK_END);
    std::vector<std::string> args = {lilypond_};
    if (opts_.png) args.insert(args.end(), {"--pdf", "--png"});
    args.insert(args.end(), {"-o", as_argument(job.base), as_argument(job.base + ".ly")});
    job.child = start_child(args, log, log);
    close(log);
    job.in_lilypond = job.child >= 0;
    if (job.child < 0) fail(job, "cannot start " + lilypond_);
    return job.in_lilypond;
  }

  void lilypond_done(score_job& job, int status) {
    const std::optional<std::string> log = read_file(job.base + ".log");
    const std::string_view output =
        log ? std::string_view(*log).substr(
                  std::min(static_cast<std::size_t>(job.lilypond_start), log->size()))
            : std::string_view();
    const lilypond_report report = summarize_lilypond(output);
    job.warnings = report.warnings;
    if (!report.first_error.empty())
      fail(job, report.first_error);
    else if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
      fail(job, "lilypond " + exit_text(status) + " (see " + job.shown_out + ".log)");
    else
      job.no_pdf = !fs::exists(job.base + ".pdf");
  }

  const options& opts_;
  std::string convert_ly_, lilypond_;
};

}  // namespace

int main(int argc, char** argv) {
  const options opts = parse_options(argc, argv);
  std::vector<score_job> jobs = find_scores(opts);
  std::string convert_ly, lilypond;
  if (!opts.ly_only) {
    convert_ly = find_program("convert-ly");
    lilypond = find_program("lilypond");
    if (convert_ly.empty() || lilypond.empty()) {
      const char* missing = lilypond.empty() && convert_ly.empty() ? "lilypond and convert-ly are"
                            : lilypond.empty()                     ? "lilypond is"
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
    if (error) usage_error("cannot create " + opts.output_dir->string() + ": " + error.message());
  }

  // Two paths may lead to one output (a score named twice, or two scores of one name with -o).
  std::map<std::string, std::size_t> owners;
  progress shown(opts.quiet, jobs.size());
  std::vector<std::size_t> to_engrave;
  for (std::size_t i = 0; i < jobs.size(); ++i) {
    score_job& job = jobs[i];
    shown.status(i + 1, "converting", job.shown);
    const auto [owner, first] = owners.emplace(job.base, i);
    if (!first)
      fail(job, "its outputs would overwrite those of " + jobs[owner->second].source.string());
    else if (convert_job(job) && !opts.ly_only)
      to_engrave.push_back(i);
    if (job.failed || opts.ly_only) shown.finished(job, ".ly");
  }
  if (!opts.ly_only) engraver(opts, convert_ly, lilypond).run(jobs, to_engrave, shown);
  shown.clear();

  std::size_t failed = 0;
  std::string failed_names;
  for (const score_job& job : jobs) {
    if (!job.failed) continue;
    failed_names += (failed++ == 0 ? ": " : ", ") + job.shown;
  }
  std::printf("%zu %s, %zu failed%s\n", jobs.size() - failed,
              opts.ly_only ? "converted" : "engraved", failed, failed_names.c_str());
  return failed == 0 ? 0 : 1;
}
