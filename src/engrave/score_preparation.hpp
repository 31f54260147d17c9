// Prepares a real NoteWorthy Composer text file: its header checked and its byte-order mark
// gone, its characters in UTF-8, and for choirly the version header and Windows-1252 it reads.
#pragma once

#include <string>
#include <string_view>

#include "engrave/result.hpp"

namespace choirly::engrave {

struct prepared_score {
  std::string version;       // the header's version as written, such as "2.751"
  std::string encoding;      // "UTF-8", "Windows-1252" or "CP949"-like
  std::string utf8;          // the score in UTF-8; for choirly with a 2.5 header
  std::string windows_1252;  // the same for choirly, '?' where Windows-1252 has no character
};

// Without `for_choirly` the Windows-1252 text is left empty: the page path reads UTF-8 alone.
// Fails when the file is no score that can be read.
result<prepared_score> prepare_score(std::string_view file, bool for_choirly = true);

// True when the version after "2." (its digits, as in "751") is 2.75 or later.
bool saves_utf8(std::string_view fraction_digits);

}  // namespace choirly::engrave
