// The POSIX twin of the host: arguments as given, a terminal for the status line, and
// LilyPond's programs found on PATH.
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string_view>

#include "engrave/host.hpp"
#include "engrave/shown_name.hpp"

namespace choirly::engrave {

namespace fs = std::filesystem;

namespace {

// The full path of a program that can be run. Children run in work folders, so the path is
// made absolute.
std::optional<std::string> runnable(const fs::path& candidate) {
  std::error_code error;
  if (access(candidate.c_str(), X_OK) != 0 || !fs::is_regular_file(candidate, error))
    return std::nullopt;
  const fs::path full = fs::absolute(candidate, error);
  if (error) return std::nullopt;
  return full.string();
}

// The program found on PATH.
std::optional<std::string> find_program(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::string_view dirs = path ? path : "";
  while (true) {
    const std::size_t colon = dirs.find(':');
    const std::string dir(dirs.substr(0, colon));
    if (auto found = runnable(fs::path(dir.empty() ? "." : dir) / name)) return found;
    if (colon == std::string_view::npos) return std::nullopt;
    dirs.remove_prefix(colon + 1);
  }
}

}  // namespace

std::vector<std::string> utf8_arguments(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}

bool prepare_console() {
  return isatty(STDERR_FILENO) != 0;
}

bool owns_console_window() {
  return false;
}

void wait_for_enter() {}

result<tool_paths> find_tools(const std::optional<std::string>& lilypond, bool needs_convert_ly) {
  tool_paths tools;
  // convert-ly is taken from beside the named lilypond first: the two belong together.
  std::optional<fs::path> named_dir;
  if (lilypond) {
    std::error_code error;
    const bool folder = fs::is_directory(*lilypond, error);
    const fs::path named = folder ? fs::path(*lilypond) / "lilypond" : fs::path(*lilypond);
    std::optional<std::string> found = runnable(named);
    if (!found && folder) found = runnable(fs::path(*lilypond) / "bin" / "lilypond");
    if (!found) {
      const std::string why =
          access(named.c_str(), X_OK) != 0 ? std::strerror(errno) : "not a plain file";
      return failure{"cannot run " + shown_name(named.string()) + " named by --lilypond: " + why};
    }
    tools.lilypond = *found;
    named_dir = fs::path(*found).parent_path();
  } else if (std::optional<std::string> found = find_program("lilypond")) {
    tools.lilypond = *found;
  }
  if (needs_convert_ly) {
    std::optional<std::string> convert_ly;
    if (named_dir) convert_ly = runnable(*named_dir / "convert-ly");
    if (!convert_ly) convert_ly = find_program("convert-ly");
    if (convert_ly) tools.convert_ly = {*convert_ly};
  }
  const bool no_lilypond = tools.lilypond.empty();
  const bool no_convert_ly = needs_convert_ly && tools.convert_ly.empty();
  if (!no_lilypond && !no_convert_ly) return tools;
  const char* missing = no_lilypond && no_convert_ly ? "lilypond and convert-ly are"
                        : no_lilypond                ? "lilypond is"
                                                     : "convert-ly is";
  return failure{std::string(missing) +
                 " not on PATH; install LilyPond, or use --ly-only to write the .ly files alone"};
}

}  // namespace choirly::engrave
