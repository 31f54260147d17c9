// convert-ly and lilypond command lines, and the reading of LilyPond's log.
#include "engrave/lilypond_steps.hpp"

#include <algorithm>
#include <utility>

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
