// The child programs that engrave a LilyPond document, and what LilyPond's log says of it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engrave/result.hpp"

namespace choirly::engrave {

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

// What LilyPond printed: its warnings (programming errors among them), and a failure with its
// first error line when it printed one.
struct lilypond_report {
  int warnings = 0;
  outcome verdict = done{};
};
lilypond_report summarize_lilypond(std::string_view output);

}  // namespace choirly::engrave
