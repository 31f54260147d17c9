// Any NoteWorthy Composer file in, its score in the text format out: the one entry point of
// src/nwc/. No input or output, no state kept between calls.
#pragma once

#include <string>
#include <string_view>

namespace choirly::nwc {

struct read_options {
  int code_page = 0;  // the code page of a binary score's strings; 0 chooses it (code_page.hpp)
};

struct read_result {
  bool ok = false;
  std::string error;    // one line, such as "not a NoteWorthy Composer file", when !ok
  std::string version;  // the version that saved a .nwc file ("1.75", "2.75"); empty for text
  std::string text;     // the score in the text format
  // 0 when the text says its own encoding (a text file, or the text inside a 2.75 file); else
  // the ANSI code page of every string in `text`, which is otherwise ASCII.
  int code_page = 0;
};

read_result read_file(std::string_view file, const read_options& options = {});

}  // namespace choirly::nwc
