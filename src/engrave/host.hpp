// What the program needs of the system it runs on beyond files and children: its arguments,
// its console, and where LilyPond is. One twin for POSIX systems, one for Windows.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engrave/lilypond_steps.hpp"
#include "engrave/result.hpp"

namespace choirly::engrave {

// The command line in UTF-8 (on Windows taken from GetCommandLineW, whatever the ANSI code
// page).
std::vector<std::string> utf8_arguments(int argc, char** argv);

// Sets the console up: text out in UTF-8, written byte for byte, and the escape sequences of
// the status line understood. Whether standard error is a terminal that can show that line.
bool prepare_console();

// Whether the program has a console window of its own, one that closes when it ends: started
// from Explorer, by a double click or a folder dropped on it.
bool owns_console_window();

// Asks for Enter before the window closes, and waits for it.
void wait_for_enter();

// LilyPond's programs, from `lilypond` (--lilypond's program, or a folder holding it) or
// where LilyPond is installed; convert-ly too when `needs_convert_ly`. When one is missing,
// the one line that says where they were looked for and what to do.
result<tool_paths> find_tools(const std::optional<std::string>& lilypond, bool needs_convert_ly);

}  // namespace choirly::engrave
