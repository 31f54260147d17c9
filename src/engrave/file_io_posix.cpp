// POSIX reads and writes that keep to their limits and say what failed.
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "engrave/file_io.hpp"
#include "engrave/shown_name.hpp"

namespace choirly::engrave {

namespace fs = std::filesystem;

std::string call_failure(std::string_view call, const fs::path& path, int error) {
  return std::string(call) + " " + shown_name(path.string()) + ": " + std::strerror(error);
}

namespace {

std::string_view file_kind(mode_t mode) {
  if (S_ISFIFO(mode)) return "a FIFO";
  if (S_ISCHR(mode)) return "a character device";
  if (S_ISBLK(mode)) return "a block device";
  if (S_ISSOCK(mode)) return "a socket";
  if (S_ISDIR(mode)) return "a folder";
  return "not a plain file";
}

// Closes the descriptor however the read ends.
struct descriptor {
  int fd;
  ~descriptor() {
    if (fd >= 0) close(fd);
  }
};

}  // namespace

result<file_facts> look_at(const fs::path& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) return failure{"stat: " + std::string(std::strerror(errno))};
  file_facts facts;
  facts.plain = S_ISREG(info.st_mode);
  if (!facts.plain) facts.kind = file_kind(info.st_mode);
  facts.volume = static_cast<std::uint64_t>(info.st_dev);
  facts.index = static_cast<std::uint64_t>(info.st_ino);
  return facts;
}

result<std::string> read_plain_file(const fs::path& path, std::size_t max_size,
                                    std::string_view reader) {
  // O_NONBLOCK: a FIFO put in the score's place must not hang the open.
  const descriptor file{open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)};
  if (file.fd < 0) return failure{call_failure("open", path, errno)};
  struct stat info {};
  if (fstat(file.fd, &info) != 0) return failure{call_failure("fstat", path, errno)};
  if (!S_ISREG(info.st_mode)) return failure{"no longer a plain file"};
  const auto too_large = [&](std::size_t size) {
    return failure{"it is " + std::to_string(size) + " bytes, more than the " +
                   std::to_string(max_size) + " bytes that " + std::string(reader) + " can take"};
  };
  if (static_cast<std::size_t>(info.st_size) > max_size)
    return too_large(static_cast<std::size_t>(info.st_size));
  std::string bytes(static_cast<std::size_t>(info.st_size) + 1, '\0');
  std::size_t got = 0;
  while (true) {
    // The file may grow while it is read: never past the limit.
    if (got == bytes.size()) bytes.resize(std::min(bytes.size() * 2, max_size + 1));
    const ssize_t n = read(file.fd, bytes.data() + got, bytes.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return failure{call_failure("read", path, errno)};
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
    if (got > max_size) return too_large(got);
  }
  bytes.resize(got);
  return bytes;
}

outcome write_new_file(const fs::path& path, std::string_view data) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return failure{call_failure("open", path, errno)};
  for (std::size_t written = 0; written < data.size();) {
    const ssize_t n = write(fd, data.data() + written, data.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      const int error = errno;
      close(fd);
      return failure{call_failure("write", path, error)};
    }
    written += static_cast<std::size_t>(n);
  }
  if (close(fd) != 0) return failure{call_failure("close", path, errno)};
  return done{};
}

void append_to_file(const fs::path& path, std::string_view text) {
  const descriptor file{open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC)};
  for (std::size_t written = 0; file.fd >= 0 && written < text.size();) {
    const ssize_t n = write(file.fd, text.data() + written, text.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    written += static_cast<std::size_t>(n);
  }
}

std::string read_file_from(const fs::path& path, std::uint64_t start) {
  std::string text;
  const descriptor file{open(path.c_str(), O_RDONLY | O_CLOEXEC)};
  const auto offset = static_cast<off_t>(start);
  if (file.fd < 0 || lseek(file.fd, offset, SEEK_SET) != offset) return text;
  char buffer[1 << 14];
  for (ssize_t n; (n = read(file.fd, buffer, sizeof buffer)) != 0;) {
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) break;
    text.append(buffer, static_cast<std::size_t>(n));
  }
  return text;
}

result<fs::path> make_work_folder(const fs::path& dir) {
  std::string name = (dir / ".choirly-engrave-XXXXXX").string();
  if (!mkdtemp(name.data())) return failure{call_failure("mkdtemp", name, errno)};
  return fs::path(name);
}

// A file open elsewhere is no obstacle to rename(2): an output is always moved.
result<placed> move_into_place(const fs::path& from, const fs::path& to) {
  std::error_code error;
  fs::rename(from, to, error);
  if (error) return failure{error.message()};
  return placed::moved;
}

}  // namespace choirly::engrave
