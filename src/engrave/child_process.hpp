// Child programs of a batch and the signals around them: each child in a process group of
// its own, so that it can be ended with everything it started, and interrupts taken only
// where the batch can stop cleanly.
#pragma once

#include <signal.h>
#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

#include "engrave/result.hpp"

namespace choirly::engrave {

// Blocks the signals that end a run (SIGINT, SIGTERM, SIGHUP, unless the program was started
// ignoring them), so that they are taken only where the batch can stop cleanly, and sets
// SIGCHLD to its default (an inherited "ignore" would leave no child to wait for) and
// SIGPIPE to be ignored (a closed output gives EPIPE). Undone at its end; children start
// with the default dispositions and no blocked signal.
class signal_guard {
 public:
  signal_guard();
  signal_guard(const signal_guard&) = delete;
  signal_guard& operator=(const signal_guard&) = delete;
  ~signal_guard();

 private:
  sigset_t old_mask_;
  struct sigaction old_chld_ = {};
  struct sigaction old_pipe_ = {};
};

// The first of SIGINT, SIGTERM and SIGHUP that is pending, taken; or 0.
int take_interrupt();

// Waits until a child ends, `seconds` and `nanoseconds` pass or an interrupt comes: the
// interrupt's signal, or 0. Needs a signal_guard alive.
int wait_for_child_or_interrupt(long seconds, long nanoseconds);

// Starts a child in `dir`, in a process group of its own, with standard input from
// /dev/null: its process id, or why it could not start.
result<pid_t> spawn_child(const std::vector<std::string>& args, const std::filesystem::path& dir,
                          int out_fd, int err_fd);

// Ends the child's whole process group: politely first, then for good.
void end_group(pid_t pid);

// "exited with status N" or "was ended by signal N".
std::string exit_text(int status);

}  // namespace choirly::engrave
