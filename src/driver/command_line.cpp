// The command line. The score always comes from standard input: arguments only earn a
// message, so that old scripts that pass options or a file name keep working.
#include "driver/command_line.hpp"

#include <string_view>

namespace choirly {

namespace {

constexpr std::string_view quiet_options[] = {"-dev0", "-midi", "-SATB"};
constexpr std::string_view score_suffix = ".nwctxt";

bool names_a_score(std::string_view argument) {
  return argument.size() >= 9 &&
         argument.substr(argument.size() - score_suffix.size()) == score_suffix;
}

}  // namespace

void parse_command_line(int argc, char** argv, std::FILE* err) {
  if (argc <= 1) {
    std::fputs("INFO: no command line arguments provided!\n", err);
    return;
  }
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    bool quiet = false;
    for (std::string_view option : quiet_options)
      quiet = quiet || argument == option;
    if (quiet) continue;
    if (names_a_score(argument))
      std::fprintf(err, "INFO: NWCTXT file %s selected at command line\n", argv[i]);
    else
      std::fprintf(err, "WARNING: Unrecognized command line argument \"%s\"\n", argv[i]);
  }
}

}  // namespace choirly
