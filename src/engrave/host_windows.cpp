// The Windows twin of the host: the command line from GetCommandLineW, a UTF-8 console, the
// Explorer-started window kept open, and lilypond.exe found on PATH or where LilyPond's
// installers and archives are unpacked.
#include <fcntl.h>
#include <io.h>
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string_view>

#include "engrave/host.hpp"
#include "engrave/utf8_path.hpp"
#include "engrave/windows_rules.hpp"
#include "engrave/windows_text.hpp"

namespace choirly::engrave {

namespace fs = std::filesystem;

namespace {

std::optional<fs::path> environment_path(const wchar_t* name) {
  const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
  if (size == 0) return std::nullopt;
  std::wstring value(size, L'\0');
  const DWORD got = GetEnvironmentVariableW(name, value.data(), size);
  if (got == 0 || got >= size) return std::nullopt;
  value.resize(got);
  return fs::path(value);
}

bool is_file(const fs::path& path) {
  std::error_code error;
  return fs::is_regular_file(path, error);
}

std::optional<fs::path> absolute_file(const fs::path& path) {
  if (!is_file(path)) return std::nullopt;
  std::error_code error;
  const fs::path full = fs::absolute(path, error);
  if (error) return std::nullopt;
  return full;
}

// The program (NAME.exe) found on PATH.
std::optional<fs::path> find_program(std::wstring_view name) {
  const std::optional<fs::path> path = environment_path(L"PATH");
  std::wstring_view dirs = path ? path->native() : std::wstring_view();
  while (!dirs.empty()) {
    const std::size_t semicolon = dirs.find(L';');
    std::wstring dir(dirs.substr(0, semicolon));
    dirs.remove_prefix(semicolon == std::wstring_view::npos ? dirs.size() : semicolon + 1);
    // A folder with a ';' in its name is quoted on PATH.
    if (dir.size() >= 2 && dir.front() == L'"' && dir.back() == L'"')
      dir = dir.substr(1, dir.size() - 2);
    if (dir.empty()) continue;
    if (auto found = absolute_file(fs::path(dir) / name)) return found;
  }
  return std::nullopt;
}

// The folders where LilyPond is commonly unpacked.
std::vector<fs::path> install_roots() {
  std::vector<fs::path> roots;
  for (const wchar_t* name : {L"ProgramFiles", L"ProgramFiles(x86)"})
    if (const auto root = environment_path(name)) roots.push_back(*root);
  if (const auto local = environment_path(L"LOCALAPPDATA")) roots.push_back(*local / L"Programs");
  return roots;
}

// bin\lilypond.exe of the newest lilypond-2.2* folder under the roots.
std::optional<fs::path> find_installed(const std::vector<fs::path>& roots) {
  std::vector<std::string> names;
  std::vector<fs::path> bins;
  for (const fs::path& root : roots) {
    std::error_code error;
    for (fs::directory_iterator it(root, error), end; !error && it != end; it.increment(error)) {
      const fs::path bin = it->path() / L"bin";
      if (!is_file(bin / L"lilypond.exe")) continue;
      names.push_back(utf8_of(it->path().filename()));
      bins.push_back(bin);
    }
  }
  const std::optional<std::string> newest = newest_lilypond_folder(names);
  if (!newest) return std::nullopt;
  for (std::size_t i = 0; i < names.size(); ++i)
    if (names[i] == *newest) return bins[i] / L"lilypond.exe";
  return std::nullopt;
}

// convert-ly beside lilypond.exe: LilyPond for Windows brings its script and the Python that
// runs it; or convert-ly.exe on PATH.
std::vector<std::string> find_convert_ly(const fs::path& bin) {
  if (is_file(bin / L"python.exe") && is_file(bin / L"convert-ly.py"))
    return {utf8_of(bin / L"python.exe"), utf8_of(bin / L"convert-ly.py")};
  if (is_file(bin / L"convert-ly.exe")) return {utf8_of(bin / L"convert-ly.exe")};
  if (const auto found = find_program(L"convert-ly.exe")) return {utf8_of(*found)};
  return {};
}

}  // namespace

std::vector<std::string> utf8_arguments(int argc, char** argv) {
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!wide) return std::vector<std::string>(argv, argv + argc);
  std::vector<std::string> args;
  for (int i = 0; i < count; ++i)
    args.push_back(narrow(wide[i]));
  LocalFree(wide);
  return args;
}

bool prepare_console() {
  SetConsoleOutputCP(CP_UTF8);
  // The same bytes as on other systems: no "\r" put before each "\n".
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  const HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
  DWORD mode = 0;
  if (err == INVALID_HANDLE_VALUE || !GetConsoleMode(err, &mode)) return false;
  // The status line is rewritten in place with escape sequences.
  return SetConsoleMode(err, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

bool owns_console_window() {
  DWORD processes[2];
  return owns_console(GetConsoleProcessList(processes, 2));
}

void wait_for_enter() {
  std::fputs("Press Enter to close this window.\n", stdout);
  std::fflush(stdout);
  const HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
  FlushConsoleInputBuffer(in);
  wchar_t buffer[64];
  DWORD got = 0;
  ReadConsoleW(in, buffer, 64, &got, nullptr);
}

result<tool_paths> find_tools(const std::optional<std::string>& lilypond, bool needs_convert_ly) {
  std::optional<fs::path> found;
  if (lilypond) {
    const fs::path named = path_of(*lilypond);
    std::error_code error;
    if (!fs::is_directory(named, error))
      found = absolute_file(named);
    else if (!(found = absolute_file(named / L"lilypond.exe")))
      found = absolute_file(named / L"bin" / L"lilypond.exe");
    if (!found)
      return failure{"cannot find lilypond.exe at " + shown_name(*lilypond, false) +
                     " named by --lilypond; name lilypond.exe or the folder that holds it"};
  }
  if (!found) found = find_program(L"lilypond.exe");
  const std::vector<fs::path> roots = install_roots();
  if (!found) found = find_installed(roots);
  if (!found) {
    std::string places;
    for (std::size_t i = 0; i < roots.size(); ++i)
      places += (i == 0                  ? ""
                 : i + 1 == roots.size() ? " or "
                                         : ", ") +
                shown_name(utf8_of(roots[i]), false);
    return failure{"lilypond.exe is neither on PATH nor in a lilypond-2.2* folder under " +
                   (places.empty() ? std::string("Program Files") : places) +
                   "; get LilyPond from https://lilypond.org and unpack it there, name it with "
                   "--lilypond PATH, or use --ly-only to write the .ly files alone"};
  }
  tool_paths tools;
  tools.lilypond = utf8_of(*found);
  if (needs_convert_ly) {
    tools.convert_ly = find_convert_ly(found->parent_path());
    if (tools.convert_ly.empty())
      return failure{"convert-ly is neither beside " + shown_name(tools.lilypond, false) +
                     " nor on PATH; install LilyPond whole, or use --ly-only to write the .ly "
                     "files alone"};
  }
  return tools;
}

}  // namespace choirly::engrave
