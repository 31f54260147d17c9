// Command-line quoting, LilyPond folder choice and the other pure decisions of the Windows
// build.
#include "engrave/windows_rules.hpp"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace choirly::engrave {

std::string quote_argument(std::string_view arg) {
  if (!arg.empty() && arg.find_first_of(" \t\n\v\"") == std::string_view::npos)
    return std::string(arg);
  std::string quoted = "\"";
  std::size_t backslashes = 0;
  for (const char c : arg) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    // Backslashes are plain characters unless a quote follows them.
    quoted.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(2 * backslashes, '\\');
  quoted += '"';
  return quoted;
}

std::string command_line(const std::vector<std::string>& args) {
  std::string line;
  for (const std::string& arg : args) {
    if (!line.empty()) line += ' ';
    line += quote_argument(arg);
  }
  return line;
}

namespace {

// "2.24.4" -> {2, 24, 4}; the numbers up to the first character that is no digit or dot.
std::vector<unsigned long> version_of(std::string_view text) {
  std::vector<unsigned long> parts;
  bool in_number = false;
  for (const char c : text) {
    if (c >= '0' && c <= '9') {
      if (!in_number) parts.push_back(0);
      in_number = true;
      parts.back() = std::min(parts.back() * 10 + static_cast<unsigned long>(c - '0'), 999999UL);
    } else if (c == '.' && in_number) {
      in_number = false;
    } else {
      break;
    }
  }
  return parts;
}

}  // namespace

std::optional<std::string> newest_lilypond_folder(const std::vector<std::string>& names) {
  constexpr std::string_view prefix = "lilypond-2.2";
  std::optional<std::string> newest;
  std::vector<unsigned long> newest_version;
  for (const std::string& name : names) {
    if (name.size() < prefix.size() ||
        !std::equal(prefix.begin(), prefix.end(), name.begin(), [](char a, char b) {
          return a == std::tolower(static_cast<unsigned char>(b));
        }))
      continue;
    const std::vector<unsigned long> version = version_of(std::string_view(name).substr(9));
    if (!newest || version > newest_version || (version == newest_version && name > *newest)) {
      newest = name;
      newest_version = version;
    }
  }
  return newest;
}

bool held_open(unsigned long error, bool target_exists, bool target_read_only) {
  constexpr unsigned long access_denied = 5, sharing_violation = 32, lock_violation = 33;
  if (error == sharing_violation || error == lock_violation) return true;
  return error == access_denied && target_exists && !target_read_only;
}

std::string kept_beside_name(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  std::string kept(name.substr(0, dot == 0 ? std::string_view::npos : dot));
  kept += ".new";
  if (dot != std::string_view::npos && dot != 0) kept += name.substr(dot);
  return kept;
}

bool owns_console(unsigned long console_processes) {
  return console_processes == 1;
}

std::string windows_exit_text(unsigned long code) {
  // NTSTATUS error codes (0xC0000000 and up): an access violation, a stack overflow, ...
  if (code >= 0xC0000000UL && code <= 0xFFFFFFFFUL) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08lX", code);
    return std::string("was ended by exception ") + hex;
  }
  return "exited with status " + std::to_string(code);
}

}  // namespace choirly::engrave
