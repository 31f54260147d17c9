// convert-ly and lilypond command lines, and the reading of LilyPond's output.
#include "engrave/lilypond_steps.hpp"

#include <utility>

#include "util/lines.hpp"

namespace choirly::engrave {

namespace {

constexpr std::string_view success_line = "Success: compilation successfully completed";
constexpr std::string_view failed_files = "fatal error: failed files: ";

}  // namespace

std::string document_argument(const std::string& stem) {
  // A relative path that begins with '-' would read as an option to the child.
  const std::string document = stem + ".ly";
  return document.starts_with("-") ? "./" + document : document;
}

engrave_step convert_ly_step(const tool_paths& tools, const std::string& stem) {
  std::vector<std::string> args = tools.convert_ly;
  args.push_back(document_argument(stem));
  return {"convert-ly", std::move(args), stem + ".ly.new", stem + ".ly"};
}

engrave_step lilypond_step(const tool_paths& tools, bool png,
                           const std::vector<std::string>& stems) {
  std::vector<std::string> args = {tools.lilypond};
  if (png) args.insert(args.end(), {"--pdf", "--png"});
  for (const std::string& stem : stems)
    args.push_back(document_argument(stem));
  return {"LilyPond", std::move(args), {}, {}};
}

bool is_output_of(std::string_view file, std::string_view stem) {
  return file.size() > stem.size() && file.starts_with(stem) &&
         (file[stem.size()] == '.' || file[stem.size()] == '-');
}

bool outputs_overlap(std::string_view a, std::string_view b) {
  return a == b || is_output_of(a, b) || is_output_of(b, a);
}

std::string without_carriage_returns(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i)
    if (text[i] != '\r' || i + 1 == text.size() || text[i + 1] != '\n') out += text[i];
  return out;
}

lilypond_output split_lilypond_output(std::string_view raw_output,
                                      const std::vector<std::string>& arguments) {
  lilypond_output split;
  // LilyPond for Windows ends its lines with CR LF.
  const std::string lf_output = without_carriage_returns(raw_output);
  std::string_view output = lf_output;
  // The closing line is the last one, when it is one of LilyPond's two.
  std::string_view body = output;
  if (body.ends_with('\n')) body.remove_suffix(1);
  const std::size_t last_start =
      body.rfind('\n') == std::string_view::npos ? 0 : body.rfind('\n') + 1;
  const std::string_view last = body.substr(last_start);
  if (last == success_line || last.starts_with(failed_files)) {
    split.closing = std::string(last);
    output = output.substr(0, last_start);
  }
  std::string* part = &split.preamble;
  for (std::size_t start = 0; start < output.size();) {
    std::size_t end = output.find('\n', start);
    end = end == std::string_view::npos ? output.size() : end + 1;
    const std::string_view line = output.substr(start, end - start);
    start = end;
    const std::size_t next = split.parts.size();
    if (next < arguments.size() &&
        line.substr(0, line.find('\n')) == "Processing `" + arguments[next] + "'") {
      split.parts.emplace_back();
      part = &split.parts.back();
    }
    part->append(line);
  }
  return split;
}

std::string lilypond_output::alone(std::size_t document, const std::string& argument) const {
  std::string text = preamble;
  if (document < parts.size()) text += parts[document];
  // Alone, LilyPond would have closed with the run's closing line as it reads for this
  // document; a part that another follows is whole, and failed by an error in it.
  const bool whole = document + 1 < parts.size();
  if (closing.empty() && !whole) return text;
  const bool failed = closing.empty() ? !summarize_lilypond(parts[document]).verdict
                                      : closing.starts_with(failed_files) &&
                                            closing.find('"' + argument + '"') != std::string::npos;
  text += failed ? std::string(failed_files) + '"' + argument + '"' : std::string(success_line);
  return text + "\n";
}

lilypond_report summarize_lilypond(std::string_view output) {
  lilypond_report report;
  for (std::string_view line : util::lines(output)) {
    if (line.ends_with('\r')) line.remove_suffix(1);
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
