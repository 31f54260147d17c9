// Memory streams through fmemopen and open_memstream.
#include <cstdlib>

#include "engrave/memory_stream.hpp"

namespace choirly::engrave {

std::FILE* open_input(std::string& text) {
  // fmemopen refuses an empty buffer.
  return text.empty() ? std::fopen("/dev/null", "rb") : fmemopen(text.data(), text.size(), "rb");
}

memory_output::memory_output() : file_(open_memstream(&buffer_, &size_)) {}

memory_output::~memory_output() {
  if (file_) std::fclose(file_);
  std::free(buffer_);
}

std::string memory_output::text() {
  std::fflush(file_);
  return std::string(buffer_, size_);
}

}  // namespace choirly::engrave
