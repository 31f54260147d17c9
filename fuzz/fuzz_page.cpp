// libFuzzer entry for the page path: any bytes through the score reader and the page writer.
// A crash, a sanitizer report, or a page whose braces, << >> and string quotes do not balance
// is a finding.
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
  if (!reading.ok) {
    if (reading.error.empty() || reading.error.find('\n') != std::string::npos) std::abort();
    return 0;
  }
  std::vector<choirly::score::diagnostic> notes = reading.model.diagnostics;
  const std::string page = choirly::page::write_page(reading.model, notes);
  for (const choirly::score::diagnostic& d : notes)
    if (d.message.empty()) std::abort();
  if (!page.starts_with("\\version \"2.24.0\"\n")) std::abort();
  choirly::fuzz::check_balance(page);
  // The same score gives the same page.
  std::vector<choirly::score::diagnostic> again;
  if (choirly::page::write_page(choirly::score::read_nwctxt(text).model, again) != page)
    std::abort();
  return 0;
}
