// convert-ly and lilypond command lines, and the reading of LilyPond's log.
#include "engrave/lilypond_steps.hpp"

#include <utility>

#include "engrave/text_lines.hpp"

namespace choirly::engrave {

namespace {

// A relative path that begins with '-' would read as an option to the child.
std::string as_argument(const std::string& path) {
  return path.starts_with("-") ? "./" + path : path;
}

}  // namespace

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

lilypond_report summarize_lilypond(std::string_view output) {
  lilypond_report report;
  for (const std::string_view line : lines(output)) {
    // LilyPond goes on after a "programming error" (it says "continuing, cross fingers") and
    // finishes the engraving, so that counts as a warning.
    if (line.find("warning:") != std::string_view::npos ||
        line.find("programming error:") != std::string_view::npos)
      ++report.warnings;
    else if (report.verdict && line.find("error:") != std::string_view::npos)
      report.verdict = failure{std::string(line)};
  }
  return report;
}

}  // namespace choirly::engrave
