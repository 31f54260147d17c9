// Reads a prepared NoteWorthy Composer 2.x text score (UTF-8) into the score model.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "score/model.hpp"

namespace choirly::score {

// Past this size a text is refused as a whole: no real score comes near it.
constexpr std::size_t max_score_bytes = std::size_t{32} << 20;

struct reading {
  bool ok = false;
  std::string error;  // one line, when !ok
  score model;
};

// Any 2.x header, whose version the model keeps; CRLF or LF; blank lines or a byte-order mark
// before the header. Problems inside the score become diagnostics of the model, and the
// reading goes on.
reading read_nwctxt(std::string_view text);

}  // namespace choirly::score
