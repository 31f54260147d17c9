// Child programs of a batch and the interrupts around them: each child started so that it
// can be ended with everything it started (a process group on POSIX systems, a Job object on
// Windows), and interrupts taken only where the batch can stop cleanly.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engrave/result.hpp"

namespace choirly::engrave {

// Holds the interrupts that end a run (SIGINT, SIGTERM, SIGHUP, unless the program was
// started ignoring them; on Windows Ctrl-C, Ctrl-Break and the closing of the console), so
// that they are taken only where the batch can stop cleanly. Undone at its end; children
// start with the default dispositions.
class signal_guard {
 public:
  signal_guard();
  signal_guard(const signal_guard&) = delete;
  signal_guard& operator=(const signal_guard&) = delete;
  ~signal_guard();

 private:
  struct saved;
  std::unique_ptr<saved> saved_;
};

// A running child: its process id on POSIX systems; on Windows the process's handle and that
// of the Job object that holds it with everything it starts.
struct child_handle {
  std::intptr_t process = -1;
  std::intptr_t job = 0;
};

// How a child ended: cleanly (status 0) or not, and "exited with status N" or "was ended by
// signal N".
struct child_exit {
  bool clean = false;
  std::string text;
};

// The first interrupt that is pending, taken: its signal number (Windows' console events
// count as SIGINT, 2); or 0.
int take_interrupt();

// Waits until one of the children ends, `wait` passes or an interrupt comes: the interrupt's
// signal, or 0. Needs a signal_guard alive.
int wait_for_child_or_interrupt(const std::vector<child_handle>& children,
                                std::chrono::nanoseconds wait);

// Starts a child in `dir` with standard input empty, standard error appended to `log`, and
// standard output too, unless `output` names a file that it is to replace: the child, or
// why it could not start.
result<child_handle> spawn_child(const std::vector<std::string>& args,
                                 const std::filesystem::path& dir, const std::filesystem::path& log,
                                 const std::optional<std::filesystem::path>& output);

// How the child ended, once it has (its handles released then); nothing while it runs; a
// failure, naming the child by its `title`, when it cannot be waited for.
result<std::optional<child_exit>> poll_child(child_handle& child, std::string_view title);

// Ends the child with everything it started: politely first, then for good.
void end_child(child_handle& child);

}  // namespace choirly::engrave
