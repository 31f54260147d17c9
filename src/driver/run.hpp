// One whole conversion run, from the command line to the exit status.
#pragma once

#include <cstdio>

namespace choirly {

// Resets all state, converts the score read from `in` and returns the exit status (0 or 1).
int run(int argc, char** argv, std::FILE* in, std::FILE* out, std::FILE* err);

}  // namespace choirly
