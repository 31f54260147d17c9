// Writing text to the output stream. Every token goes through here. Tokens are a few
// characters long, so they go character by character straight into the stream's buffer,
// which costs far less than a call that works out the stream's state for every token.
#pragma once

#include <cstdio>
#include <string_view>

namespace choirly {

namespace detail {
#ifdef _WIN32
// The Microsoft C runtime lacks glibc's unlocked calls: _putc_nolock is its match for
// putc_unlocked, and for the rare long token the locking fwrite does.
inline void write_bytes(std::string_view text, std::FILE* out) {
  std::fwrite(text.data(), 1, text.size(), out);
}
inline void write_char(char c, std::FILE* out) {
  _putc_nolock(c, out);
}
#else
inline void write_bytes(std::string_view text, std::FILE* out) {
  fwrite_unlocked(text.data(), 1, text.size(), out);
}
inline void write_char(char c, std::FILE* out) {
  putc_unlocked(c, out);
}
#endif
}  // namespace detail

inline void put(std::string_view text, std::FILE* out) {
  if (text.size() > 16) {
    detail::write_bytes(text, out);
    return;
  }
  for (char c : text)
    detail::write_char(c, out);
}

}  // namespace choirly
