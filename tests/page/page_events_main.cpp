// choirly-page-events: prints the notes and lyric syllables the page path's model holds for a
// score, one event a line, for comparison with what LilyPond engraves; --ly prints the page.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "engrave/page_conversion.hpp"
#include "page/writer.hpp"
#include "tests/page/model_events.hpp"

int main(int argc, char** argv) {
  const bool ly = argc == 3 && std::string(argv[1]) == "--ly";
  if (argc != 2 && !ly) {
    std::fputs("usage: choirly-page-events [--ly] FILE.nwctxt\n", stderr);
    return 1;
  }
  const char* path = argv[argc - 1];
  std::ifstream file(path, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (!file && !file.eof()) {
    std::fprintf(stderr, "choirly-page-events: cannot read %s\n", path);
    return 1;
  }
  if (!file.is_open()) {
    std::fprintf(stderr, "choirly-page-events: cannot open %s\n", path);
    return 1;
  }
  const auto reading = choirly::engrave::read_page_score(bytes);
  if (!reading) {
    std::fprintf(stderr, "choirly-page-events: %s: %s\n", path, reading.reason().c_str());
    return 1;
  }
  const std::string out =
      ly ? choirly::page::write_page(reading->model) : choirly::tests::model_events(reading->model);
  std::fwrite(out.data(), 1, out.size(), stdout);
  return 0;
}
