// Runs the scores of a batch: each is converted in this process, then engraved by a list of
// child programs run one after the other in a work folder of its own, several scores at a
// time, with a time limit for each child. Outputs are moved into place only when whole.
#pragma once

#include <signal.h>

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "engrave/conversion.hpp"
#include "engrave/score_jobs.hpp"

namespace choirly::engrave {

// One way from file bytes to a LilyPond document.
struct conversion_path {
  std::string name;  // for messages, such as "choirly"
  // Larger files are refused without being read whole.
  std::size_t max_file_size = 0;
  std::function<conversion(std::string_view file)> convert;
  // The document is written for an older LilyPond and goes through convert-ly first.
  bool needs_convert_ly = true;
};

// choirly's own path: the input it can take is at most line_slots lines of at most
// input_line_max characters, and a character may take four bytes in a UTF-8 score.
conversion_path choirly_path();

struct tool_paths {
  std::string convert_ly, lilypond;
};

// One child program of a score's engraving, run in the score's work folder, where the
// document is STEM.ly. Standard error goes to STEM.log, and so does standard output unless
// `output_file` names a file for it, which then replaces `replaces` when the child succeeds.
struct engrave_step {
  std::string title;  // for messages: "convert-ly", "LilyPond"
  std::vector<std::string> argv;
  std::string output_file;
  std::string replaces;
  bool reads_lilypond_log = false;  // judge the child by what it wrote to the log
};

// The steps that engrave STEM.ly into STEM.pdf and STEM.midi (and PNG pages).
std::vector<engrave_step> lilypond_steps(const tool_paths& tools, bool convert_ly, bool png,
                                         const std::string& stem);

struct engrave_settings {
  std::size_t jobs = 1;
  int timeout_seconds = 600;  // for each child; 0 for none
  bool png = false;
  bool ly_only = false;  // convert only: no children
  conversion_path path;
  tool_paths tools;
};

enum class score_state { not_run, ok, failed };

struct score_result {
  score_state state = score_state::not_run;
  std::string reason;       // why it failed
  int warnings = 0;         // LilyPond's
  std::string main_output;  // the extension the ok line names: ".pdf", or ".ly"
  std::string note;         // about the outputs: no PDF, or earlier ones kept
};

// Told of each score as it starts and as it ends.
class batch_observer {
 public:
  virtual ~batch_observer() = default;
  virtual void started(std::size_t index) = 0;
  virtual void finished(std::size_t index, const score_result& result) = 0;
};

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

// Runs every score; `results` gets one entry for each job. Returns 0, or the number of the
// signal that interrupted the batch: then every child is ended, every work folder removed,
// and the scores not finished stay not_run. Needs a signal_guard alive.
int engrave_all(const std::vector<score_job>& jobs, const engrave_settings& settings,
                batch_observer& observer, std::vector<score_result>& results);

// What LilyPond printed: its warnings (programming errors among them), and its first error
// line (empty without one).
struct lilypond_report {
  int warnings = 0;
  std::string first_error;
};
lilypond_report summarize_lilypond(std::string_view output);

}  // namespace choirly::engrave
