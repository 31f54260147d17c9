// Walking a text line by line without copying it: the one splitter the readers share.
#pragma once

#include <cstddef>
#include <string_view>
#include <type_traits>

namespace choirly::util {

// Calls `visit(line)` with each line of `text`, without its '\n' (a '\r' before it stays).
// A text that ends with '\n' has no empty line after it. When `visit` returns a bool, false
// stops the walk.
template <typename Visit>
void for_each_line(std::string_view text, Visit visit) {
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = text.substr(start, end - start);
    start = end + 1;
    if constexpr (std::is_same_v<decltype(visit(line)), bool>) {
      if (!visit(line)) return;
    } else {
      visit(line);
    }
  }
}

}  // namespace choirly::util
