// libFuzzer entry for the page path: any bytes through the score reader and the page writer,
// with and without the parts' books. A crash, a sanitizer report, a page whose braces, << >>
// and string quotes do not balance, or music that differs between the two is a finding.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "page/writer.hpp"
#include "score/reader.hpp"

namespace {

// Braces and << >> nest and close, outside strings; every string ends on its line.
void check_balance(std::string_view page) {
  long braces = 0;
  long angles = 0;
  bool in_string = false;
  bool in_comment = false;
  for (std::size_t i = 0; i < page.size(); ++i) {
    const char c = page[i];
    if (c == '\n') {
      if (in_string) std::abort();
      in_comment = false;
      continue;
    }
    if (in_comment) continue;
    if (in_string) {
      if (c == '\\')
        ++i;
      else if (c == '"')
        in_string = false;
      continue;
    }
    if (c == '"') {
      in_string = true;
    } else if (c == '%') {
      in_comment = true;
    } else if (c == '{') {
      ++braces;
    } else if (c == '}') {
      if (--braces < 0) std::abort();
    } else if (c == '<' && i + 1 < page.size() && page[i + 1] == '<') {
      ++angles;
      ++i;
    } else if (c == '>' && i + 1 < page.size() && page[i + 1] == '>') {
      if (--angles < 0) std::abort();
      ++i;
    }
  }
  if (braces != 0 || angles != 0 || in_string) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const choirly::score::reading reading = choirly::score::read_nwctxt(text);
  if (!reading.ok) {
    if (reading.error.empty() || reading.error.find('\n') != std::string::npos) std::abort();
    return 0;
  }
  std::vector<choirly::score::diagnostic> notes = reading.model.diagnostics;
  const std::string page = choirly::page::write_page(reading.model, notes);
  for (const choirly::score::diagnostic& d : notes)
    if (d.message.empty()) std::abort();
  if (!page.starts_with("\\version \"2.24.0\"\n")) std::abort();
  check_balance(page);
  // The same score read again, written with its parts (--parts): the same music, its score
  // in a book of its own before the parts' books.
  const std::size_t score_at = page.find("\n\\score {\n");
  if (score_at == std::string::npos) std::abort();
  std::vector<choirly::score::diagnostic> again;
  const std::string with_parts =
      choirly::page::write_page(choirly::score::read_nwctxt(text).model, again, true);
  check_balance(with_parts);
  if (with_parts.compare(0, score_at + 1, page, 0, score_at + 1) != 0) std::abort();
  if (with_parts.compare(score_at + 1, 8, "\\book {\n") != 0) std::abort();
  return 0;
}
