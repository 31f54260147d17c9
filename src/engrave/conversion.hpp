// One score from file bytes to LilyPond document, converted in this process by choirly::run.
// choirly keeps its state in global tables: convert one score at a time.
#pragma once

#include <string>
#include <string_view>

#include "engrave/score_preparation.hpp"

namespace choirly::engrave {

struct conversion {
  bool ok = false;
  std::string reason;    // choirly's first ERROR line, or why the file is no score
  std::string document;  // choirly's document with the score's texts in UTF-8
  std::string log;       // choirly's messages, and notes of this program
};

// Runs choirly on an already prepared text: its exit status, output and messages.
int run_choirly(std::string_view windows_1252, std::string& out, std::string& err);

conversion convert_score(std::string_view file);

}  // namespace choirly::engrave
