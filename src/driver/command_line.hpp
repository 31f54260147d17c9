// The command line: every argument is accepted, some with a message, none with an effect.
#pragma once

#include <cstdio>

namespace choirly {

void parse_command_line(int argc, char** argv, std::FILE* err);

}  // namespace choirly
