// The fixed frame of the LilyPond document: header check, preamble, lyric comments, closing.
#pragma once

#include <cstdio>

namespace choirly {

// True when the first stored line holds the version header; otherwise writes the error.
bool check_version_header(std::FILE* err);
void print_preamble(std::FILE* out);
void print_lyric_comments(std::FILE* out);
void print_closing(std::FILE* out);

}  // namespace choirly
