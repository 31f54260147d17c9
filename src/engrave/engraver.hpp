// Runs the scores of a batch: each is converted in this process by the conversion path it is
// given, then engraved by a list of child programs run one after the other in a work folder
// of its own, several scores at a time, with a time limit for each child. Outputs are moved
// into place only when whole.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "engrave/child_process.hpp"
#include "engrave/conversion_path.hpp"
#include "engrave/lilypond_steps.hpp"
#include "engrave/score_jobs.hpp"

namespace choirly::engrave {

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

// Runs every score; `results` gets one entry for each job. Returns 0, or the number of the
// signal that interrupted the batch: then every child is ended, every work folder removed,
// and the scores not finished stay not_run. Needs a signal_guard alive.
int engrave_all(const std::vector<score_job>& jobs, const engrave_settings& settings,
                batch_observer& observer, std::vector<score_result>& results);

}  // namespace choirly::engrave
