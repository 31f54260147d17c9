// posix_spawn with process groups, and the signal mask that keeps interrupts for the batch.
#include "engrave/child_process.hpp"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

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

int wait_for_child_or_interrupt(long seconds, long nanoseconds) {
  const timespec timeout{static_cast<time_t>(seconds), nanoseconds};
  sigset_t set = interrupt_signals();
  sigaddset(&set, SIGCHLD);
  const int signal = sigtimedwait(&set, nullptr, &timeout);
  return signal == SIGCHLD || signal < 0 ? 0 : signal;
}

result<pid_t> spawn_child(const std::vector<std::string>& args, const std::filesystem::path& dir,
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

void end_group(pid_t pid) {
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

std::string exit_text(int status) {
  if (WIFEXITED(status)) return "exited with status " + std::to_string(WEXITSTATUS(status));
  return "was ended by signal " + std::to_string(WTERMSIG(status));
}

}  // namespace choirly::engrave
