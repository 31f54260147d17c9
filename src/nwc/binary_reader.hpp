// The binary score of NoteWorthy Composer 1.70 to 2.05, read into the text format: the
// records and fields NoteWorthy's own converter writes for the same file.
#pragma once

#include <string>
#include <string_view>

namespace choirly::nwc {

struct binary_read {
  bool ok = false;
  std::string error;    // "damaged NoteWorthy Composer file (at byte N: ...)" or the version's
  std::string version;  // "1.75" and so on, as soon as the header gave it
  std::string text;     // "!NoteWorthyComposer(2.75)" and the records, CRLF-free
  int code_page = 0;    // the code page the text's strings are in
};

// The version word after the 45-byte magic, or -1 when the body is too short for it.
int version_word(std::string_view body);

// Reads an uncompressed body ("[NoteWorthy ArtWare]..."). `code_page` 0 chooses it by the
// rule in code_page.hpp; byte offsets in errors count from the start of the body.
binary_read read_binary(std::string_view body, int code_page = 0);

}  // namespace choirly::nwc
