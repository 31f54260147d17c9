// The batch scheduler of choirly-engrave: work folders, child processes in groups of their
// own, time limits, interrupts, and the move of finished outputs into place.
#include "engrave/engraver.hpp"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <utility>

#include "limits.hpp"

extern char** environ;

namespace choirly::engrave {

namespace {

namespace fs = std::filesystem;
using steady = std::chrono::steady_clock;

// "CALL PATH: the call's own error text".
std::string system_error(std::string_view call, const fs::path& path, int error) {
  return std::string(call) + " " + shown_name(path.string()) + ": " + std::strerror(error);
}

// SIGINT, SIGTERM and SIGHUP, but not one that this program was started ignoring (as a
// shell does for SIGINT in a background job, or nohup for SIGHUP): that one stays ignored.
sigset_t interrupt_signals() {
  sigset_t set;
  sigemptyset(&set);
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
    struct sigaction action {};
    if (sigaction(signal, nullptr, &action) == 0 && action.sa_handler != SIG_IGN)
      sigaddset(&set, signal);
  }
  return set;
}

// The score's bytes, read only when it is a plain file no larger than `max_size`.
bool read_score(const fs::path& path, std::size_t max_size, std::string_view path_name,
                std::string& bytes, std::string& reason) {
  // O_NONBLOCK: a FIFO put in the score's place must not hang the open.
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    reason = system_error("open", path, errno);
    return false;
  }
  struct stat info {};
  if (fstat(fd, &info) != 0) {
    reason = system_error("fstat", path, errno);
    close(fd);
    return false;
  }
  if (!S_ISREG(info.st_mode)) {
    reason = "no longer a plain file";
    close(fd);
    return false;
  }
  const auto too_large = [&](std::size_t size) {
    reason = "it is " + std::to_string(size) + " bytes, more than the " + std::to_string(max_size) +
             " bytes that " + std::string(path_name) + " can take";
  };
  if (static_cast<std::size_t>(info.st_size) > max_size) {
    too_large(static_cast<std::size_t>(info.st_size));
    close(fd);
    return false;
  }
  bytes.resize(static_cast<std::size_t>(info.st_size) + 1);
  std::size_t got = 0;
  while (true) {
    // The file may grow while it is read: never past the limit.
    if (got == bytes.size()) bytes.resize(std::min(bytes.size() * 2, max_size + 1));
    const ssize_t n = read(fd, bytes.data() + got, bytes.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      reason = system_error("read", path, errno);
      close(fd);
      return false;
    }
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
    if (got > max_size) {
      too_large(got);
      close(fd);
      return false;
    }
  }
  close(fd);
  bytes.resize(got);
  return true;
}

// Writes a new file whole; the reason when it cannot.
std::string write_new_file(const fs::path& path, std::string_view data) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return system_error("open", path, errno);
  for (std::size_t done = 0; done < data.size();) {
    const ssize_t n = write(fd, data.data() + done, data.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      const int error = errno;
      close(fd);
      return system_error("write", path, error);
    }
    done += static_cast<std::size_t>(n);
  }
  if (close(fd) != 0) return system_error("close", path, errno);
  return {};
}

std::string read_from(const fs::path& path, off_t start) {
  std::string text;
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return text;
  if (lseek(fd, start, SEEK_SET) == start) {
    char buffer[1 << 14];
    for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) != 0;) {
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) break;
      text.append(buffer, static_cast<std::size_t>(n));
    }
  }
  close(fd);
  return text;
}

std::string exit_text(int status) {
  if (WIFEXITED(status)) return "exited with status " + std::to_string(WEXITSTATUS(status));
  return "was ended by signal " + std::to_string(WTERMSIG(status));
}

// Starts a child in `dir`, in a process group of its own, with standard input from
// /dev/null. The posix_spawn error number, or 0.
int spawn_child(const std::vector<std::string>& args, const fs::path& dir, int out_fd, int err_fd,
                pid_t& pid) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, out_fd, STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, err_fd, STDERR_FILENO);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setflags(&attributes,
                           POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  posix_spawnattr_setpgroup(&attributes, 0);
  sigset_t none, defaults;
  sigemptyset(&none);
  posix_spawnattr_setsigmask(&attributes, &none);
  defaults = interrupt_signals();
  for (int signal : {SIGCHLD, SIGPIPE})
    sigaddset(&defaults, signal);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  std::vector<char*> argv;
  for (const std::string& arg : args)
    argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  const int error = posix_spawn(&pid, args[0].c_str(), &actions, &attributes, argv.data(), environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  return error;
}

void pause_briefly() {
  const timespec pause{0, 20'000'000};
  nanosleep(&pause, nullptr);
}

// Ends the child's whole process group: politely first, then for good.
void end_group(pid_t pid) {
  kill(-pid, SIGTERM);
  int status = 0;
  for (int tries = 0; tries < 100; ++tries) {
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid || (done < 0 && errno != EINTR)) {
      kill(-pid, SIGKILL);  // anything the child left in its group
      return;
    }
    pause_briefly();
  }
  kill(-pid, SIGKILL);
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
}

// A relative path that begins with '-' would read as an option to the child.
std::string as_argument(const std::string& path) {
  return path.starts_with("-") ? "./" + path : path;
}

struct active_score {
  std::size_t index = 0;
  fs::path work;  // the score's work folder, inside its output folder
  std::vector<engrave_step> steps;
  std::size_t step = 0;
  pid_t child = -1;
  steady::time_point deadline;
  off_t log_start = 0;
  int warnings = 0;
};

class batch {
 public:
  batch(const std::vector<score_job>& jobs, const engrave_settings& settings,
        batch_observer& observer, std::vector<score_result>& results)
      : jobs_(jobs), settings_(settings), observer_(observer), results_(results) {}

  int run() {
    results_.assign(jobs_.size(), score_result{});
    std::size_t next = 0;
    const std::size_t slots = std::max<std::size_t>(1, settings_.jobs);
    while (next < jobs_.size() || !active_.empty()) {
      if (const int signal = take_interrupt()) return stop(signal);
      if (active_.size() < slots && next < jobs_.size()) {
        start(next++);
        continue;
      }
      if (const int signal = wait_for_children()) return stop(signal);
      reap();
      enforce_deadlines();
    }
    return 0;
  }

 private:
  const score_job& job(const active_score& a) const { return jobs_[a.index]; }
  fs::path work_file(const active_score& a, std::string_view extension) const {
    return a.work / (job(a).stem + std::string(extension));
  }

  // Converts the score and starts its first step. False when it ended already.
  bool start(std::size_t index) {
    observer_.started(index);
    active_score a;
    a.index = index;
    const score_job& j = jobs_[index];
    std::error_code error;
    fs::create_directories(j.output_dir, error);
    if (error)
      return fail_early(index,
                        "mkdir " + shown_name(j.output_dir.string()) + ": " + error.message());
    std::string work_name = (j.output_dir / ".choirly-engrave-XXXXXX").string();
    if (!mkdtemp(work_name.data()))
      return fail_early(index, system_error("mkdtemp", work_name, errno));
    a.work = work_name;

    std::string bytes, reason;
    if (!read_score(j.source, settings_.path.max_file_size, settings_.path.name, bytes, reason))
      return finish(a, false, reason);
    const conversion result = settings_.path.convert(bytes);
    bytes = std::string();
    if (std::string e = write_new_file(work_file(a, ".log"), result.log); !e.empty())
      return finish(a, false, e);
    if (!result.document.empty())
      if (std::string e = write_new_file(work_file(a, ".ly"), result.document); !e.empty())
        return finish(a, false, e);
    if (!result.ok) return finish(a, false, result.reason);
    if (settings_.ly_only) return finish(a, true, {});
    a.steps = lilypond_steps(settings_.tools, settings_.path.needs_convert_ly, settings_.png,
                             jobs_[index].stem);
    if (!start_step(a)) return false;
    active_.push_back(std::move(a));
    return true;
  }

  bool fail_early(std::size_t index, std::string reason) {
    score_result& r = results_[index];
    r.state = score_state::failed;
    r.reason = std::move(reason);
    observer_.finished(index, r);
    return false;
  }

  // Starts the current step; false when it could not start (the score is then finished).
  bool start_step(active_score& a) {
    const engrave_step& step = a.steps[a.step];
    const fs::path log_path = work_file(a, ".log");
    const int log = open(log_path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    if (log < 0) return finish(a, false, system_error("open", log_path, errno));
    int out = log;
    if (!step.output_file.empty()) {
      const fs::path out_path = a.work / step.output_file;
      out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
      if (out < 0) {
        const int error = errno;
        close(log);
        return finish(a, false, system_error("open", out_path, error));
      }
    }
    a.log_start = lseek(log, 0, SEEK_END);
    const int error = spawn_child(step.argv, a.work, out, log, a.child);
    if (out != log) close(out);
    close(log);
    if (error != 0) return finish(a, false, system_error("posix_spawn", step.argv[0], error));
    a.deadline = steady::now() + std::chrono::seconds(settings_.timeout_seconds);
    return true;
  }

  // Waits for a child to end, a time limit to pass or an interrupt: its signal, or 0.
  int wait_for_children() {
    auto wait = std::chrono::nanoseconds(std::chrono::hours(1));
    if (settings_.timeout_seconds > 0) {
      const auto now = steady::now();
      for (const active_score& a : active_)
        wait = std::min(wait, std::max(std::chrono::nanoseconds(0),
                                       std::chrono::nanoseconds(a.deadline - now)));
    }
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(wait);
    const timespec timeout{static_cast<time_t>(seconds.count()),
                           static_cast<long>((wait - seconds).count())};
    sigset_t set = interrupt_signals();
    sigaddset(&set, SIGCHLD);
    const int signal = sigtimedwait(&set, nullptr, &timeout);
    return signal == SIGCHLD || signal < 0 ? 0 : signal;
  }

  // Every child that has ended moves its score on; a child that cannot be waited for fails it.
  void reap() {
    for (std::size_t i = 0; i < active_.size();) {
      active_score& a = active_[i];
      int status = 0;
      pid_t done = waitpid(a.child, &status, WNOHANG);
      while (done < 0 && errno == EINTR)
        done = waitpid(a.child, &status, WNOHANG);
      bool over = false;
      if (done < 0) {
        const int error = errno;
        end_group(a.child);
        finish(a, false,
               "waitpid for " + a.steps[a.step].title + " (process " + std::to_string(a.child) +
                   "): " + std::strerror(error));
        over = true;
      } else if (done == a.child) {
        over = !step_done(a, status);
      }
      if (over)
        active_.erase(active_.begin() + static_cast<std::ptrdiff_t>(i));
      else
        ++i;
    }
  }

  void enforce_deadlines() {
    if (settings_.timeout_seconds <= 0) return;
    const auto now = steady::now();
    for (std::size_t i = 0; i < active_.size();) {
      active_score& a = active_[i];
      if (now < a.deadline) {
        ++i;
        continue;
      }
      end_group(a.child);
      finish(a, false,
             a.steps[a.step].title + " took longer than " +
                 std::to_string(settings_.timeout_seconds) + " s");
      active_.erase(active_.begin() + static_cast<std::ptrdiff_t>(i));
    }
  }

  // Judges the step that ended; true when the next step runs.
  bool step_done(active_score& a, int status) {
    const engrave_step& step = a.steps[a.step];
    const std::string see = " (see " + job(a).shown_out + ".log)";
    if (step.reads_lilypond_log) {
      const lilypond_report report =
          summarize_lilypond(read_from(work_file(a, ".log"), a.log_start));
      a.warnings += report.warnings;
      if (!report.first_error.empty()) return finish(a, false, report.first_error);
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
      return finish(a, false, step.title + " " + exit_text(status) + see);
    if (!step.output_file.empty()) {
      std::error_code error;
      fs::rename(a.work / step.output_file, a.work / step.replaces, error);
      if (error)
        return finish(
            a, false,
            "rename " + shown_name((a.work / step.output_file).string()) + ": " + error.message());
    }
    if (++a.step == a.steps.size()) return finish(a, true, {});
    return start_step(a);
  }

  // Ends the score: its outputs move into place, all of them when it succeeded, only its
  // document and log when it failed. Always false, for the callers' convenience.
  bool finish(active_score& a, bool ok, std::string reason) {
    const score_job& j = job(a);
    score_result& r = results_[a.index];
    r.warnings = a.warnings;
    r.state = ok ? score_state::ok : score_state::failed;
    r.reason = std::move(reason);
    const bool pdf = fs::exists(work_file(a, ".pdf"));
    const bool earlier_pdf = fs::exists(j.output_dir / (j.stem + ".pdf"));
    const std::string shown_pdf = j.shown_out + ".pdf";
    if (ok && settings_.ly_only) {
      r.main_output = ".ly";
    } else if (ok && pdf) {
      r.main_output = ".pdf";
    } else if (ok) {
      r.main_output = ".ly";
      const std::string log = read_from(work_file(a, ".log"), 0);
      const bool no_music = log.find("skipping zero-duration score") != std::string::npos ||
                            log.find("no music found in score") != std::string::npos;
      r.note = no_music ? "no PDF: LilyPond skipped a score without music"
                        : "no PDF: LilyPond wrote none";
      if (earlier_pdf) r.note += "; the " + shown_pdf + " there is from an earlier run";
    } else if (earlier_pdf && !settings_.ly_only) {
      r.note = shown_pdf + " of an earlier run left as it was";
    }
    std::vector<fs::path> outputs;
    std::error_code error;
    if (ok) {
      for (fs::directory_iterator it(a.work, error), end; !error && it != end; it.increment(error))
        outputs.push_back(it->path().filename());
      std::sort(outputs.begin(), outputs.end());
    } else {
      for (std::string_view extension : {".ly", ".log"})
        if (fs::exists(work_file(a, extension))) outputs.push_back(j.stem + std::string(extension));
    }
    for (const fs::path& name : outputs) {
      if (!error) fs::rename(a.work / name, j.output_dir / name, error);
      if (error && r.reason.empty()) {
        r.state = score_state::failed;
        r.reason = "rename " + shown_name((j.output_dir / name).string()) + ": " + error.message();
      }
    }
    fs::remove_all(a.work, error);
    observer_.finished(a.index, r);
    return false;
  }

  // Ends every child and removes every work folder; the scores in work stay not run.
  int stop(int signal) {
    for (active_score& a : active_) {
      end_group(a.child);
      std::error_code error;
      fs::remove_all(a.work, error);
    }
    active_.clear();
    return signal;
  }

  const std::vector<score_job>& jobs_;
  const engrave_settings& settings_;
  batch_observer& observer_;
  std::vector<score_result>& results_;
  std::vector<active_score> active_;
};

}  // namespace

conversion_path choirly_path() {
  conversion_path path;
  path.name = "choirly";
  // Lines end in CR LF; the byte-order mark and the header are a few bytes more.
  path.max_file_size =
      static_cast<std::size_t>(line_slots) * (4 * static_cast<std::size_t>(input_line_max) + 2) +
      64;
  path.convert = convert_score;
  path.needs_convert_ly = true;
  return path;
}

std::vector<engrave_step> lilypond_steps(const tool_paths& tools, bool convert_ly, bool png,
                                         const std::string& stem) {
  std::vector<engrave_step> steps;
  const std::string document = as_argument(stem + ".ly");
  // convert-ly prints the updated document, which then replaces the old one.
  if (convert_ly)
    steps.push_back(
        {"convert-ly", {tools.convert_ly, document}, stem + ".ly.new", stem + ".ly", false});
  std::vector<std::string> args = {tools.lilypond};
  if (png) args.insert(args.end(), {"--pdf", "--png"});
  args.insert(args.end(), {"-o", as_argument(stem), document});
  steps.push_back({"LilyPond", std::move(args), {}, {}, true});
  return steps;
}

signal_guard::signal_guard() {
  sigset_t block = interrupt_signals();
  sigaddset(&block, SIGCHLD);
  sigprocmask(SIG_BLOCK, &block, &old_mask_);
  struct sigaction chld {};
  chld.sa_handler = SIG_DFL;
  sigemptyset(&chld.sa_mask);
  sigaction(SIGCHLD, &chld, &old_chld_);
  struct sigaction pipe = chld;
  pipe.sa_handler = SIG_IGN;
  sigaction(SIGPIPE, &pipe, &old_pipe_);
}

signal_guard::~signal_guard() {
  sigaction(SIGPIPE, &old_pipe_, nullptr);
  sigaction(SIGCHLD, &old_chld_, nullptr);
  sigprocmask(SIG_SETMASK, &old_mask_, nullptr);
}

int take_interrupt() {
  const sigset_t set = interrupt_signals();
  const timespec now{0, 0};
  const int signal = sigtimedwait(&set, nullptr, &now);
  return signal > 0 ? signal : 0;
}

int engrave_all(const std::vector<score_job>& jobs, const engrave_settings& settings,
                batch_observer& observer, std::vector<score_result>& results) {
  return batch(jobs, settings, observer, results).run();
}

lilypond_report summarize_lilypond(std::string_view output) {
  lilypond_report report;
  for (std::size_t start = 0; start < output.size();) {
    const std::size_t end = std::min(output.find('\n', start), output.size());
    const std::string_view line = output.substr(start, end - start);
    start = end + 1;
    // LilyPond goes on after a "programming error" (it says "continuing, cross fingers") and
    // finishes the engraving, so that counts as a warning.
    if (line.find("warning:") != std::string_view::npos ||
        line.find("programming error:") != std::string_view::npos)
      ++report.warnings;
    else if (report.first_error.empty() && line.find("error:") != std::string_view::npos)
      report.first_error = line;
  }
  return report;
}

}  // namespace choirly::engrave
