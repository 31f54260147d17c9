// libFuzzer entry: the whole conversion run on each input, twice. The low two bits of the first
// byte give a number of command-line arguments (0 to 3), each of the next bytes picks one from a
// small set, and the remaining bytes are standard input. The first lines of the input are also
// read with every record format by the converter's scanners and by sscanf, which must agree.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "choirly.hpp"
#include "scan_against_sscanf.hpp"

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

struct run_output {
  int status;
  char* out_buf;
  std::size_t out_len;
  char* err_buf;
  std::size_t err_len;
};

run_output run_once(int argc, char** argv, const std::uint8_t* data, std::size_t size) {
  // fmemopen refuses a zero-length buffer: empty input is one byte read away beforehand.
  static char empty[1] = {0};
  std::FILE* in =
      size > 0 ? fmemopen(const_cast<std::uint8_t*>(data), size, "r") : fmemopen(empty, 1, "r");
  if (in != nullptr && size == 0) std::fgetc(in);
  run_output r{0, nullptr, 0, nullptr, 0};
  std::FILE* out = open_memstream(&r.out_buf, &r.out_len);
  std::FILE* err = open_memstream(&r.err_buf, &r.err_len);
  if (in == nullptr || out == nullptr || err == nullptr) std::abort();
  r.status = choirly::run(argc, argv, in, out, err);
  std::fclose(in);
  std::fclose(out);
  std::fclose(err);
  return r;
}

// Each of the first lines, cut at a NUL, and the field after its last colon.
void compare_scanners(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  auto check = [](std::string_view text) {
    text = text.substr(0, text.find('\0'));
    choirly::scan_check::compare_every_format(
        text, [&](std::string_view format, const std::string& what) {
          std::fprintf(stderr, "scanner and sscanf differ: format \"%.*s\": %s\n",
                       static_cast<int>(format.size()), format.data(), what.c_str());
          std::abort();
        });
  };
  std::size_t start = 0;
  for (int line = 0; line < 16 && start < input.size(); ++line) {
    const std::size_t end = std::min(input.find('\n', start), input.size());
    const std::string_view text = input.substr(start, end - start);
    check(text);
    const std::size_t colon = text.rfind(':');
    if (colon != std::string_view::npos) check(text.substr(colon + 1));
    start = end + 1;
  }
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

  // Twice in one process: the second run must repeat the first byte for byte, or run() left
  // state behind.
  const run_output first = run_once(argc, argv, data, size);
  const run_output second = run_once(argc, argv, data, size);
  if (first.status != second.status || first.out_len != second.out_len ||
      first.err_len != second.err_len ||
      std::memcmp(first.out_buf, second.out_buf, first.out_len) != 0 ||
      std::memcmp(first.err_buf, second.err_buf, first.err_len) != 0)
    std::abort();
  std::free(second.out_buf);
  std::free(second.err_buf);

  const int status = first.status;
  const char* out_buf = first.out_buf;
  const char* err_buf = first.err_buf;
  const std::size_t out_len = first.out_len;
  const std::size_t err_len = first.err_len;
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

  std::free(first.out_buf);
  std::free(first.err_buf);
  compare_scanners(data, size);
  return 0;
}
