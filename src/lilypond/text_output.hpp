// Writing text to the output stream. Every token goes through here; the stream is used by
// one thread only, so the unlocked write saves a lock per token.
#pragma once

#include <cstdio>
#include <string_view>

namespace choirly {

inline void put(std::string_view text, std::FILE* out) {
  fwrite_unlocked(text.data(), 1, text.size(), out);
}

}  // namespace choirly
