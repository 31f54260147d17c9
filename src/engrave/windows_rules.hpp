// Decisions that the Windows build acts on, kept apart from Windows' own calls so that they
// can be tried on any system: command-line quoting, the choice of a LilyPond folder, what a
// failed replacement means, and whether the program owns its console window.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace choirly::engrave {

// The argument as a command line spells it so that CommandLineToArgvW and the C runtime
// read it back unchanged: quoted when it is empty or holds white space or a quote, with the
// backslashes before a quote (or before the closing quote) doubled.
std::string quote_argument(std::string_view arg);

// The arguments quoted and joined by spaces, for CreateProcessW.
std::string command_line(const std::vector<std::string>& args);

// The newest LilyPond among folder names such as "lilypond-2.24.4": the one named
// "lilypond-2.2..." (in any case) with the highest version; nothing when none is one.
std::optional<std::string> newest_lilypond_folder(const std::vector<std::string>& names);

// Whether MoveFileExW's error on replacing a file means that another program holds the file
// open (a PDF viewer): a sharing or lock violation, or access denied to a file that exists
// and is not read-only.
bool held_open(unsigned long error, bool target_exists, bool target_read_only);

// The name a new output takes beside one held open: "x.pdf" -> "x.new.pdf".
std::string kept_beside_name(std::string_view name);

// A program started from Explorer (a folder dropped on it, or a double click) has a console
// of its own, which closes when it ends: it is then the console's one process.
bool owns_console(unsigned long console_processes);

// How a Windows process ended, from its exit code: "exited with status N", or "was ended by
// exception 0xC0000005" for the codes that crashes leave.
std::string windows_exit_text(unsigned long code);

}  // namespace choirly::engrave
