// Entry point: the whole run lives in run() so that tests can drive it in-process.
#include <cstdio>

#include "choirly.hpp"

int main(int argc, char** argv) {
  return choirly::run(argc, argv, stdin, stdout, stderr);
}
