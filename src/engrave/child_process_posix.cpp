// posix_spawn with process groups, and the signal mask that keeps interrupts for the batch.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>

#include "engrave/child_process.hpp"
#include "engrave/file_io.hpp"

extern char** environ;

namespace choirly::engrave {

namespace {

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

void pause_briefly() {
  const timespec pause{0, 20'000'000};
  nanosleep(&pause, nullptr);
}

}  // namespace

// SIGCHLD is set to its default (an inherited "ignore" would leave no child to wait for) and
// SIGPIPE to be ignored (a closed output gives EPIPE).
struct signal_guard::saved {
  sigset_t old_mask;
  struct sigaction old_chld = {};
  struct sigaction old_pipe = {};
};

signal_guard::signal_guard() : saved_(std::make_unique<saved>()) {
  sigset_t block = interrupt_signals();
  sigaddset(&block, SIGCHLD);
  sigprocmask(SIG_BLOCK, &block, &saved_->old_mask);
  struct sigaction chld {};
  chld.sa_handler = SIG_DFL;
  sigemptyset(&chld.sa_mask);
  sigaction(SIGCHLD, &chld, &saved_->old_chld);
  struct sigaction pipe = chld;
  pipe.sa_handler = SIG_IGN;
  sigaction(SIGPIPE, &pipe, &saved_->old_pipe);
}

signal_guard::~signal_guard() {
  sigaction(SIGPIPE, &saved_->old_pipe, nullptr);
  sigaction(SIGCHLD, &saved_->old_chld, nullptr);
  sigprocmask(SIG_SETMASK, &saved_->old_mask, nullptr);
}

int take_interrupt() {
  const sigset_t set = interrupt_signals();
  const timespec now{0, 0};
  const int signal = sigtimedwait(&set, nullptr, &now);
  return signal > 0 ? signal : 0;
}

int wait_for_child_or_interrupt(const std::vector<child_handle>&, std::chrono::nanoseconds wait) {
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(wait);
  const timespec timeout{static_cast<time_t>(seconds.count()),
                         static_cast<long>((wait - seconds).count())};
  sigset_t set = interrupt_signals();
  sigaddset(&set, SIGCHLD);
  const int signal = sigtimedwait(&set, nullptr, &timeout);
  return signal == SIGCHLD || signal < 0 ? 0 : signal;
}

namespace {

result<pid_t> spawn_with(const std::vector<std::string>& args, const std::filesystem::path& dir,
                         int out_fd, int err_fd) {
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
  pid_t pid = -1;
  const int error = posix_spawn(&pid, args[0].c_str(), &actions, &attributes, argv.data(), environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  if (error != 0) return failure{call_failure("posix_spawn", args[0], error)};
  return pid;
}

// "exited with status N" or "was ended by signal N".
std::string exit_text(int status) {
  if (WIFEXITED(status)) return "exited with status " + std::to_string(WEXITSTATUS(status));
  return "was ended by signal " + std::to_string(WTERMSIG(status));
}

}  // namespace

result<child_handle> spawn_child(const std::vector<std::string>& args,
                                 const std::filesystem::path& dir, const std::filesystem::path& log,
                                 const std::optional<std::filesystem::path>& output) {
  const int err = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
  if (err < 0) return failure{call_failure("open", log, errno)};
  int out = err;
  if (output) {
    out = open(output->c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (out < 0) {
      const int error = errno;
      close(err);
      return failure{call_failure("open", *output, error)};
    }
  }
  const result<pid_t> pid = spawn_with(args, dir, out, err);
  if (out != err) close(out);
  close(err);
  if (!pid) return failure{pid.reason()};
  return child_handle{*pid, 0};
}

result<std::optional<child_exit>> poll_child(child_handle& child, std::string_view title) {
  const auto pid = static_cast<pid_t>(child.process);
  int status = 0;
  pid_t ended = waitpid(pid, &status, WNOHANG);
  while (ended < 0 && errno == EINTR)
    ended = waitpid(pid, &status, WNOHANG);
  if (ended < 0)
    return failure{"waitpid for " + std::string(title) + " (process " + std::to_string(pid) +
                   "): " + std::strerror(errno)};
  if (ended != pid) return std::optional<child_exit>();
  child.process = -1;
  return std::optional<child_exit>(
      child_exit{WIFEXITED(status) && WEXITSTATUS(status) == 0, exit_text(status)});
}

void end_child(child_handle& child) {
  const auto pid = static_cast<pid_t>(child.process);
  if (pid <= 0) return;
  child.process = -1;
  kill(-pid, SIGTERM);
  int status = 0;
  for (int tries = 0; tries < 100; ++tries) {
    const pid_t ended = waitpid(pid, &status, WNOHANG);
    if (ended == pid || (ended < 0 && errno != EINTR)) {
      kill(-pid, SIGKILL);  // anything the child left in its group
      return;
    }
    pause_briefly();
  }
  kill(-pid, SIGKILL);
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
}

}  // namespace choirly::engrave
