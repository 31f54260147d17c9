// Prepares a real NoteWorthy Composer text file for reading: the version header the readers
// take and the score's own characters in UTF-8, with the Windows-1252 that choirly reads.
#pragma once

#include <string>
#include <string_view>

#include "engrave/result.hpp"

namespace choirly::engrave {

struct prepared_score {
  std::string version;       // the header's version as written, such as "2.751"
  std::string encoding;      // "UTF-8", "Windows-1252" or "CP949"-like
  std::string utf8;          // the score with a 2.5 header, in UTF-8
  std::string windows_1252;  // the same for choirly, '?' where Windows-1252 has no character
};

// Without `for_choirly` the Windows-1252 text is left empty: the page path reads UTF-8 alone.
// Fails when the file is no score that can be read.
result<prepared_score> prepare_score(std::string_view file, bool for_choirly = true);

// True when the version after "2." (its digits, as in "751") is 2.75 or later.
bool saves_utf8(std::string_view fraction_digits);

}  // namespace choirly::engrave
