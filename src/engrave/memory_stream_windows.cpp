// Windows' stand-in for memory streams: temporary files, deleted when closed ("D"), kept in
// the cache rather than written out where possible ("T").
#include <windows.h>

#include "engrave/memory_stream.hpp"

namespace choirly::engrave {

namespace {

std::FILE* temporary_file() {
  wchar_t folder[MAX_PATH + 1];
  wchar_t name[MAX_PATH + 1];
  const DWORD length = GetTempPathW(MAX_PATH + 1, folder);
  if (length == 0 || length > MAX_PATH) return nullptr;
  if (GetTempFileNameW(folder, L"chy", 0, name) == 0) return nullptr;
  std::FILE* file = _wfopen(name, L"w+bTD");
  if (!file) DeleteFileW(name);
  return file;
}

}  // namespace

std::FILE* open_input(std::string& text) {
  std::FILE* file = temporary_file();
  if (!file) return nullptr;
  if (std::fwrite(text.data(), 1, text.size(), file) != text.size() || std::fflush(file) != 0) {
    std::fclose(file);
    return nullptr;
  }
  std::rewind(file);
  return file;
}

memory_output::memory_output() : file_(temporary_file()) {}

memory_output::~memory_output() {
  if (file_) std::fclose(file_);
}

std::string memory_output::text() {
  std::string text;
  if (std::fflush(file_) != 0 || std::fseek(file_, 0, SEEK_SET) != 0) return text;
  char chunk[1 << 14];
  for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, file_)) > 0;)
    text.append(chunk, n);
  return text;
}

}  // namespace choirly::engrave
