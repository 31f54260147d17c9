// Windows reads and writes through wide paths (CreateFileW), that keep to their limits and
// say what failed; outputs replaced with MoveFileExW.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <random>

#include "engrave/file_io.hpp"
#include "engrave/utf8_path.hpp"
#include "engrave/windows_rules.hpp"
#include "engrave/windows_text.hpp"

namespace choirly::engrave {

namespace fs = std::filesystem;

std::string call_failure(std::string_view call, const fs::path& path, int error) {
  return std::string(call) + " " + shown_path(path) + ": " + std::strerror(error);
}

namespace {

constexpr DWORD share_all = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Closes the handle however the call ends.
struct file_handle {
  HANDLE handle;
  ~file_handle() {
    if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  }
  bool open() const { return handle != INVALID_HANDLE_VALUE; }
};

HANDLE open_file(const fs::path& path, DWORD access, DWORD share, DWORD disposition,
                 DWORD flags = FILE_ATTRIBUTE_NORMAL) {
  return CreateFileW(path.c_str(), access, share, nullptr, disposition, flags, nullptr);
}

bool write_all(HANDLE file, std::string_view data) {
  for (std::size_t written = 0; written < data.size();) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(data.size() - written, 1 << 30));
    DWORD n = 0;
    if (!WriteFile(file, data.data() + written, chunk, &n, nullptr)) return false;
    written += n;
  }
  return true;
}

}  // namespace

result<file_facts> look_at(const fs::path& path) {
  // Folders open only with FILE_FLAG_BACKUP_SEMANTICS; asking for no access opens anything.
  const file_handle file{open_file(path, 0, share_all, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS)};
  if (!file.open()) return failure{"CreateFileW: " + windows_error_text(GetLastError())};
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(file.handle, &info))
    return failure{"GetFileInformationByHandle: " + windows_error_text(GetLastError())};
  file_facts facts;
  const bool folder = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  facts.plain = !folder && GetFileType(file.handle) == FILE_TYPE_DISK;
  if (!facts.plain) facts.kind = folder ? "a folder" : "not a plain file";
  facts.volume = info.dwVolumeSerialNumber;
  facts.index = (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
  return facts;
}

result<std::string> read_plain_file(const fs::path& path, std::size_t max_size,
                                    std::string_view reader) {
  const file_handle file{open_file(path, GENERIC_READ, share_all, OPEN_EXISTING)};
  if (!file.open()) return failure{windows_failure("CreateFileW", path, GetLastError())};
  if (GetFileType(file.handle) != FILE_TYPE_DISK) return failure{"no longer a plain file"};
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.handle, &size))
    return failure{windows_failure("GetFileSizeEx", path, GetLastError())};
  const auto too_large = [&](std::size_t bytes) {
    return failure{"it is " + std::to_string(bytes) + " bytes, more than the " +
                   std::to_string(max_size) + " bytes that " + std::string(reader) + " can take"};
  };
  const auto expected = static_cast<std::size_t>(size.QuadPart);
  if (expected > max_size) return too_large(expected);
  std::string bytes(expected + 1, '\0');
  std::size_t got = 0;
  while (true) {
    // The file may grow while it is read: never past the limit.
    if (got == bytes.size()) bytes.resize(std::min(bytes.size() * 2, max_size + 1));
    DWORD n = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - got, 1 << 30));
    if (!ReadFile(file.handle, bytes.data() + got, chunk, &n, nullptr))
      return failure{windows_failure("ReadFile", path, GetLastError())};
    if (n == 0) break;
    got += n;
    if (got > max_size) return too_large(got);
  }
  bytes.resize(got);
  return bytes;
}

outcome write_new_file(const fs::path& path, std::string_view data) {
  file_handle file{open_file(path, GENERIC_WRITE, FILE_SHARE_READ, CREATE_NEW)};
  if (!file.open()) return failure{windows_failure("CreateFileW", path, GetLastError())};
  if (!write_all(file.handle, data))
    return failure{windows_failure("WriteFile", path, GetLastError())};
  const HANDLE written = file.handle;
  file.handle = INVALID_HANDLE_VALUE;
  if (!CloseHandle(written)) return failure{windows_failure("CloseHandle", path, GetLastError())};
  return done{};
}

void append_to_file(const fs::path& path, std::string_view text) {
  const file_handle file{open_file(path, FILE_APPEND_DATA, share_all, OPEN_EXISTING)};
  if (file.open()) write_all(file.handle, text);
}

std::string read_file_from(const fs::path& path, std::uint64_t start) {
  std::string text;
  const file_handle file{open_file(path, GENERIC_READ, share_all, OPEN_EXISTING)};
  LARGE_INTEGER offset{};
  offset.QuadPart = static_cast<LONGLONG>(start);
  if (!file.open() || !SetFilePointerEx(file.handle, offset, nullptr, FILE_BEGIN)) return text;
  char buffer[1 << 14];
  DWORD n = 0;
  while (ReadFile(file.handle, buffer, sizeof buffer, &n, nullptr) && n > 0)
    text.append(buffer, n);
  return text;
}

result<fs::path> make_work_folder(const fs::path& dir) {
  static constexpr char letters[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  std::minstd_rand random(static_cast<unsigned>(GetTickCount64() ^ GetCurrentProcessId()));
  DWORD error = ERROR_ALREADY_EXISTS;
  fs::path name;
  for (int tries = 0; tries < 100 && error == ERROR_ALREADY_EXISTS; ++tries) {
    std::string leaf = ".choirly-engrave-";
    for (int k = 0; k < 6; ++k)
      leaf += letters[random() % (sizeof letters - 1)];
    name = dir / path_of(leaf);
    if (CreateDirectoryW(name.c_str(), nullptr)) return name;
    error = GetLastError();
  }
  return failure{windows_failure("CreateDirectoryW", name, error)};
}

result<placed> move_into_place(const fs::path& from, const fs::path& to) {
  if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) return placed::moved;
  const DWORD error = GetLastError();
  const DWORD attributes = GetFileAttributesW(to.c_str());
  const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
  if (!held_open(error, exists, exists && (attributes & FILE_ATTRIBUTE_READONLY) != 0))
    return failure{windows_error_text(error)};
  // A viewer holds the old one: the new one waits beside it.
  const fs::path beside = to.parent_path() / path_of(kept_beside_name(utf8_of(to.filename())));
  if (!MoveFileExW(from.c_str(), beside.c_str(), MOVEFILE_REPLACE_EXISTING))
    return failure{windows_error_text(GetLastError())};
  return placed::kept_beside;
}

}  // namespace choirly::engrave
