// libFuzzer entry: one whole conversion run per input. The low two bits of the first byte
// give a number of command-line arguments (0 to 3), each of the next bytes picks one from a
// small set, and the remaining bytes are standard input.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "choirly.hpp"

namespace {

const char* const argument_pool[] = {
    "-SATB", "-midi", "-dev0", "score.nwctxt", "a.nwctxt", ".nwctxt", "", "-x", "score.NWCTXT",
};
constexpr std::size_t pool_size = sizeof argument_pool / sizeof argument_pool[0];

bool starts_with(const char* s, std::size_t n, const char* prefix) {
  std::size_t k = std::strlen(prefix);
  return n >= k && std::memcmp(s, prefix, k) == 0;
}

// Every message line begins with a level; the line after "ERROR: Line %d is too long:"
// echoes the dropped input line and may hold anything but a line feed. Every message ends
// with a line feed.
void check_messages(const char* s, std::size_t n) {
  bool echo_next = false;
  std::size_t start = 0;
  while (start < n) {
    const char* end = static_cast<const char*>(std::memchr(s + start, '\n', n - start));
    if (end == nullptr) std::abort();  // unterminated message
    std::size_t len = static_cast<std::size_t>(end - (s + start));
    const char* line = s + start;
    if (echo_next) {
      echo_next = false;
    } else if (starts_with(line, len, "ERROR: Line ")) {
      const char* tail = " is too long:";
      std::size_t k = std::strlen(tail);
      if (len < k || std::memcmp(line + len - k, tail, k) != 0) std::abort();
      echo_next = true;
    } else if (!starts_with(line, len, "INFO: ") && !starts_with(line, len, "WARNING: ") &&
               !starts_with(line, len, "ERROR: ")) {
      std::abort();
    }
    start += len + 1;
  }
  if (echo_next) std::abort();  // the echo line is missing
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  char program[] = "choirly";
  char* argv[5] = {program, nullptr, nullptr, nullptr, nullptr};
  int argc = 1;
  if (size > 0) {
    unsigned count = data[0] & 3u;
    ++data, --size;
    for (; count > 0 && size > 0; --count, ++data, --size)
      argv[argc++] = const_cast<char*>(argument_pool[data[0] % pool_size]);
  }

  // fmemopen rejects a zero-length buffer, so empty input comes from /dev/null.
  std::FILE* in = size > 0 ? fmemopen(const_cast<std::uint8_t*>(data), size, "r")
                           : std::fopen("/dev/null", "r");
  char* out_buf = nullptr;
  char* err_buf = nullptr;
  std::size_t out_len = 0;
  std::size_t err_len = 0;
  std::FILE* out = open_memstream(&out_buf, &out_len);
  std::FILE* err = open_memstream(&err_buf, &err_len);
  if (in == nullptr || out == nullptr || err == nullptr) std::abort();

  int status = choirly::run(argc, argv, in, out, err);
  std::fclose(in);
  std::fclose(out);
  std::fclose(err);

  if (status != 0 && status != 1) std::abort();
  if (status == 1 && out_len != 0) std::abort();  // a failed run writes no document
  if (status == 0) {
    // A completed run wrote the preamble, in ASCII only, and the closing unless it warned
    // that the end marker was missing.
    if (!starts_with(out_buf, out_len, "\\version \"2.16.1\"\n")) std::abort();
    for (std::size_t i = 0; i < out_len; ++i)
      if (out_buf[i] == 0 || static_cast<unsigned char>(out_buf[i]) >= 0x80) std::abort();
    const char* warning = "WARNING: Input has no end marker, so the document is incomplete\n";
    const char* closing = "\n    \\layout { \\context { \\Staff printPartCombineTexts = ##f } }\n";
    if (memmem(err_buf, err_len, warning, std::strlen(warning)) == nullptr &&
        memmem(out_buf, out_len, closing, std::strlen(closing)) == nullptr)
      std::abort();
  }
  if (argc == 1 && !starts_with(err_buf, err_len, "INFO: no command line arguments provided!\n"))
    std::abort();
  check_messages(err_buf, err_len);

  std::free(out_buf);
  std::free(err_buf);
  return 0;
}
