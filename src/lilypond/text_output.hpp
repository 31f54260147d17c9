// Writing text to the output stream. Every token goes through here. Tokens are a few
// characters long, so they go character by character straight into the stream's buffer,
// which costs far less than a call that works out the stream's state for every token.
#pragma once

#include <cstdio>
#include <string_view>

namespace choirly {

inline void put(std::string_view text, std::FILE* out) {
  if (text.size() > 16) {
    fwrite_unlocked(text.data(), 1, text.size(), out);
    return;
  }
  for (char c : text)
    putc_unlocked(c, out);
}

}  // namespace choirly
