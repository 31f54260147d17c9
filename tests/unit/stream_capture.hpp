// Test helpers: a memory stream that collects what a function writes, and an in-process run.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "choirly.hpp"

namespace choirly::testing {

// Collects everything written to `file` until text() is called.
struct captured_stream {
  char* buffer = nullptr;
  std::size_t size = 0;
  std::FILE* file = open_memstream(&buffer, &size);

  captured_stream() = default;
  captured_stream(const captured_stream&) = delete;
  captured_stream& operator=(const captured_stream&) = delete;
  ~captured_stream() {
    if (file) std::fclose(file);
    std::free(buffer);
  }
  std::string text() {
    std::fflush(file);
    return std::string(buffer, size);
  }
};

struct run_result {
  int status;
  std::string out;
  std::string err;
};

// Runs the converter on `input` with the given arguments (the program name is added).
inline run_result run_on(const std::string& input, std::vector<std::string> args = {"-SATB"}) {
  std::vector<char*> argv;
  std::string program = "choirly";
  argv.push_back(program.data());
  for (std::string& a : args)
    argv.push_back(a.data());
  argv.push_back(nullptr);
  // fmemopen refuses a zero-length buffer, so empty input reads from /dev/null.
  std::string copy = input;
  std::FILE* in =
      copy.empty() ? std::fopen("/dev/null", "rb") : fmemopen(copy.data(), copy.size(), "rb");
  captured_stream out, err;
  const int status = run(static_cast<int>(argv.size()) - 1, argv.data(), in, out.file, err.file);
  std::fclose(in);
  return {status, out.text(), err.text()};
}

}  // namespace choirly::testing
