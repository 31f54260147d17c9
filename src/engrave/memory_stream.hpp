// The streams that choirly, run in this process, reads and writes: in memory on POSIX systems
// (fmemopen, open_memstream), in temporary files deleted on closing on Windows, which has
// neither.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace choirly::engrave {

// A stream that reads `text` (which it may hold on to); null when none can be made.
std::FILE* open_input(std::string& text);

// A stream that collects what is written to it.
class memory_output {
 public:
  memory_output();
  memory_output(const memory_output&) = delete;
  memory_output& operator=(const memory_output&) = delete;
  ~memory_output();
  std::FILE* file() const { return file_; }
  std::string text();

 private:
  char* buffer_ = nullptr;
  std::size_t size_ = 0;
  std::FILE* file_ = nullptr;
};

}  // namespace choirly::engrave
