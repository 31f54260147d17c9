// The page path as choirly-engrave runs it.
#include "engrave/page_conversion.hpp"

#include <utility>

#include "engrave/score_preparation.hpp"
#include "engrave/shown_name.hpp"
#include "page/writer.hpp"
#include "score/reader.hpp"

namespace choirly::engrave {

result<page_reading> read_page_score(std::string_view file, int code_page) {
  page_reading read;
  const result<prepared_score> prepared = prepare_score(file, false, code_page);
  if (!prepared) return failure{prepared.reason()};
  score::reading reading = score::read_nwctxt(prepared->utf8);
  if (!reading.ok) return failure{reading.error};
  read.log = "choirly-engrave: NoteWorthy Composer " + prepared->version + " score in " +
             prepared->encoding + ", written as the score is laid out\n";
  read.model = std::move(reading.model);
  return read;
}

std::string warning_lines(const std::vector<score::diagnostic>& diagnostics) {
  std::string out;
  for (const score::diagnostic& d : diagnostics)
    out += "choirly-engrave: warning: " +
           (d.line > 0 ? "line " + std::to_string(d.line) + ": " : std::string()) +
           shown_name(d.message, false) + "\n";
  return out;
}

conversion convert_page(std::string_view file, int code_page, bool parts) {
  conversion converted;
  result<page_reading> reading = read_page_score(file, code_page);
  if (!reading) return refused_file(reading.reason());
  converted.log = std::move(reading->log);
  // The reader's problems and the page's, in one list and one log.
  std::vector<score::diagnostic> diagnostics = std::move(reading->model.diagnostics);
  converted.document = page::write_page(reading->model, diagnostics, parts);
  converted.log += warning_lines(diagnostics);
  return converted;
}

conversion_path page_path(int code_page, bool parts) {
  conversion_path path;
  path.name = "the page path";
  // The reader's own limit, with room for a byte-order mark and a longer header.
  path.max_file_size = score::max_score_bytes + 64;
  path.convert = [code_page, parts](std::string_view file) {
    return convert_page(file, code_page, parts);
  };
  path.needs_convert_ly = false;
  return path;
}

}  // namespace choirly::engrave
