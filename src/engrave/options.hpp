// choirly-engrave's command line: what it asks for, or why it cannot be taken.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engrave/result.hpp"

namespace choirly::engrave {

extern const std::string_view usage_text;

struct options {
  enum class request { run, help, version };
  request asked = request::run;
  std::size_t jobs = 0;  // 0: as many as there are cores
  int timeout = 600;
  std::optional<std::filesystem::path> output_dir;
  bool ly_only = false;
  bool nwctxt_only = false;  // a 2.75 text copy of each score instead of a LilyPond one
  int code_page = 0;         // of scores that do not say theirs; 0: chosen by their bytes
  bool choirly = false;
  bool png = false;
  bool parts = false;  // each part's PDF and rehearsal MIDI file as well
  bool quiet = false;
  std::optional<std::string> lilypond;  // the program, or the folder that holds it
  std::vector<std::string> paths;
};

// The options of argv[1] to argv[argc - 1]; --help and --version end the reading there.
result<options> parse_options(int argc, const char* const* argv);

}  // namespace choirly::engrave
