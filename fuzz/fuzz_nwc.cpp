// libFuzzer target of the reader of NoteWorthy Composer's own files. The first byte chooses
// the code page (none, 1252, 949, 932) and whether the rest is a whole file (container, zlib,
// 2.75 text or binary) or an uncompressed body given straight to the binary reader, which
// lets the fuzzer change the objects without going through a compressed stream.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "nwc/binary_reader.hpp"
#include "nwc/nwc_file.hpp"

namespace {

void check(bool holds) {
  if (!holds) std::abort();
}

void check_outcome(bool ok, const std::string& error, const std::string& text) {
  check(ok == error.empty());
  check(error.find('\n') == std::string::npos);
  if (!ok) check(text.empty());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  static constexpr int code_pages[4] = {0, 1252, 949, 932};
  const int code_page = code_pages[data[0] & 3];
  const std::string_view input(reinterpret_cast<const char*>(data + 1), size - 1);
  if ((data[0] & 0x80) != 0) {
    const choirly::nwc::binary_read read = choirly::nwc::read_binary(input, code_page);
    check_outcome(read.ok, read.error, read.text);
    if (read.ok) {
      check(std::string_view(read.text).starts_with("!NoteWorthyComposer(2.75)\n"));
      check(std::string_view(read.text).ends_with("!NoteWorthyComposer-End\n"));
      check(read.code_page != 0);
    }
    return 0;
  }
  const choirly::nwc::read_result read = choirly::nwc::read_file(input, {code_page});
  check_outcome(read.ok, read.error, read.text);
  return 0;
}
