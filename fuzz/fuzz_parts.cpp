// libFuzzer entry for the parts (--parts): any bytes through the score reader and the page
// writer with a book for each part. A crash, a sanitizer report, a page whose braces, << >>
// and strings do not balance, or music that differs from the page without parts is a finding.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "page/writer.hpp"
#include "page_balance.hpp"
#include "score/reader.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const choirly::score::reading reading = choirly::score::read_nwctxt(text);
  if (!reading.ok) return 0;
  std::vector<choirly::score::diagnostic> notes;
  const std::string page = choirly::page::write_page(reading.model, notes);
  std::vector<choirly::score::diagnostic> again;
  const std::string with_parts = choirly::page::write_page(reading.model, again, true);
  choirly::fuzz::check_balance(with_parts);
  // The music and everything before the score are the page's; the score is a book of its own.
  const std::size_t score_at = page.find("\n\\score {\n");
  if (score_at == std::string::npos) std::abort();
  if (with_parts.compare(0, score_at + 1, page, 0, score_at + 1) != 0) std::abort();
  if (with_parts.compare(score_at + 1, 8, "\\book {\n") != 0) std::abort();
  return 0;
}
