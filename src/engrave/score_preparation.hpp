// Prepares a real NoteWorthy Composer file for reading: a text score, or a .nwc file read into
// the text format first (src/nwc/); the version header the readers take and the score's own
// characters in UTF-8, with the Windows-1252 that choirly reads.
#pragma once

#include <string>
#include <string_view>

#include "engrave/result.hpp"

namespace choirly::engrave {

struct prepared_score {
  std::string version;       // the header's version as written, such as "2.751", or a .nwc
                             // file's, such as "1.75"
  std::string encoding;      // "UTF-8", "Windows-1252" or "CP949"-like
  bool binary = false;       // read from a .nwc file of a version before 2.75
  std::string utf8;          // the score in UTF-8; for choirly with a 2.5 header
  std::string windows_1252;  // the same for choirly, '?' where Windows-1252 has no character
};

// Without `for_choirly` the Windows-1252 text is left empty: the page path reads UTF-8 alone.
// `code_page` (0: none) is that of scores that do not say theirs: the strings of a binary .nwc
// file (else chosen by their bytes, see src/nwc/code_page.hpp) and text scores before 2.75
// without a |Locale| record (else Windows-1252). Fails when the file is no score that can be
// read.
result<prepared_score> prepare_score(std::string_view file, bool for_choirly = true,
                                     int code_page = 0);

// The prepared score as a 2.75 text file: UTF-8, with the !NoteWorthyComposer(2.75) header.
std::string text_copy(const prepared_score& score);

// True when the version after "2." (its digits, as in "751") is 2.75 or later.
bool saves_utf8(std::string_view fraction_digits);

}  // namespace choirly::engrave
