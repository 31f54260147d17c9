// The fuzz targets' check of a written page: braces and << >> nest and close, outside strings
// and comments, and every string ends on its line; a page that fails it aborts the run.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <string_view>

namespace choirly::fuzz {

// Braces and << >> nest and close, outside strings; every string ends on its line.
inline void check_balance(std::string_view page) {
  long braces = 0;
  long angles = 0;
  bool in_string = false;
  bool in_comment = false;
  for (std::size_t i = 0; i < page.size(); ++i) {
    const char c = page[i];
    if (c == '\n') {
      if (in_string) std::abort();
      in_comment = false;
      continue;
    }
    if (in_comment) continue;
    if (in_string) {
      if (c == '\\')
        ++i;
      else if (c == '"')
        in_string = false;
      continue;
    }
    if (c == '"') {
      in_string = true;
    } else if (c == '%') {
      in_comment = true;
    } else if (c == '{') {
      ++braces;
    } else if (c == '}') {
      if (--braces < 0) std::abort();
    } else if (c == '<' && i + 1 < page.size() && page[i + 1] == '<') {
      ++angles;
      ++i;
    } else if (c == '>' && i + 1 < page.size() && page[i + 1] == '>') {
      if (--angles < 0) std::abort();
      ++i;
    }
  }
  if (braces != 0 || angles != 0 || in_string) std::abort();
}

}  // namespace choirly::fuzz
