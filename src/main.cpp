// Entry point: the whole run lives in run() so that tests can drive it in-process.
#include <cstdio>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "choirly.hpp"

int main(int argc, char** argv) {
#ifdef _WIN32
  // Windows opens the standard streams in text mode, which turns CR LF into LF and stops
  // at Ctrl-Z on input, and writes CR LF on output. Binary mode keeps every byte as it is,
  // so a score converts to the same bytes as on any other system.
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
#endif
  return choirly::run(argc, argv, stdin, stdout, stderr);
}
