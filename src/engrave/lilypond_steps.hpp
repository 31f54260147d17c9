// The child programs that engrave LilyPond documents, and the reading of what LilyPond
// printed: cut into each document's part when it engraved several, and summed up.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engrave/result.hpp"

namespace choirly::engrave {

// The programs' paths; convert-ly's may begin with the interpreter that runs its script.
struct tool_paths {
  std::vector<std::string> convert_ly;
  std::string lilypond;
};

// One child program, run in the work folder where the documents are STEM.ly. Its standard
// error goes to a log, and so does its standard output unless `output_file` names a file for
// it, which then replaces `replaces` when the child succeeds.
struct engrave_step {
  std::string title;  // for messages: "convert-ly", "LilyPond"
  std::vector<std::string> argv;
  std::string output_file;
  std::string replaces;
};

// convert-ly on STEM.ly: it prints the updated document, which then replaces the old one.
engrave_step convert_ly_step(const tool_paths& tools, const std::string& stem);

// One lilypond process on STEM.ly of each stem, in that order, writing STEM.pdf and
// STEM.midi (and PNG pages) beside each.
engrave_step lilypond_step(const tool_paths& tools, bool png,
                           const std::vector<std::string>& stems);

// The argument that names STEM.ly to a child, and in LilyPond's "Processing" lines.
std::string document_argument(const std::string& stem);

// A file that LilyPond writes for STEM.ly: STEM.pdf, STEM.midi, STEM-page2.png, STEM-1.midi.
bool is_output_of(std::string_view file, std::string_view stem);

// Two stems whose outputs cannot be told apart in one folder (one's outputs would pass for
// the other's); they are not engraved by one process.
bool outputs_overlap(std::string_view a, std::string_view b);

// The text with each CR LF made LF, as LilyPond for Windows writes its lines.
std::string without_carriage_returns(std::string_view text);

// What LilyPond printed for a run on several documents, cut where it announces each one
// ("Processing `a.ly'"), its lines ended by LF. The lines before the first announcement belong to
// every document; the closing line is about the whole run ("Success: ..." or "fatal error: failed
// files: ...").
struct lilypond_output {
  std::string preamble;
  std::vector<std::string> parts;  // one for each document announced, in order
  std::string closing;             // empty when the run ended without one
  // What LilyPond would have printed had it engraved the document alone: the preamble, its
  // part, and the closing line as it reads for that document.
  std::string alone(std::size_t document, const std::string& argument) const;
};
lilypond_output split_lilypond_output(std::string_view output,
                                      const std::vector<std::string>& arguments);

// What LilyPond printed: its warnings (programming errors among them), and a failure with its
// first error line when it printed one.
struct lilypond_report {
  int warnings = 0;
  outcome verdict = done{};
};
lilypond_report summarize_lilypond(std::string_view output);

}  // namespace choirly::engrave
