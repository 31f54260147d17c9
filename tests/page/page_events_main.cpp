// choirly-page-events: prints the notes and lyric syllables the page path's model holds for a
// score, one event a line, for comparison with what LilyPond engraves; --ly prints the page;
// --systems FILE adds what each system starting at FILE's "system ONSET" lines shows.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "engrave/page_conversion.hpp"
#include "page/writer.hpp"
#include "tests/page/model_events.hpp"
#include "tests/page/model_systems.hpp"

namespace {

// The onsets of the "system ONSET" lines of LilyPond's log, such as "37/4".
bool read_system_starts(const char* path, std::vector<choirly::score::rational>& starts) {
  std::ifstream log(path);
  if (!log) return false;
  std::string word, onset;
  std::string line;
  while (std::getline(log, line)) {
    std::istringstream fields(line);
    if (!(fields >> word >> onset) || word != "system") continue;
    const std::size_t slash = onset.find('/');
    const long long num = std::stoll(onset.substr(0, slash));
    const long long den = slash == std::string::npos ? 1 : std::stoll(onset.substr(slash + 1));
    starts.emplace_back(num, den);
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const bool ly = argc == 3 && std::string(argv[1]) == "--ly";
  const bool systems = argc == 4 && std::string(argv[1]) == "--systems";
  if (argc != 2 && !ly && !systems) {
    std::fputs("usage: choirly-page-events [--ly | --systems LOG] FILE.nwctxt\n", stderr);
    return 1;
  }
  std::vector<choirly::score::rational> starts;
  if (systems && !read_system_starts(argv[2], starts)) {
    std::fprintf(stderr, "choirly-page-events: cannot read %s\n", argv[2]);
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
  std::vector<choirly::score::diagnostic> notes;
  std::string out = ly ? choirly::page::write_page(reading->model, notes)
                       : choirly::tests::model_events(reading->model);
  if (systems)
    out += choirly::tests::system_events(reading->model,
                                         choirly::page::staff_numbers(reading->model), starts);
  std::fwrite(out.data(), 1, out.size(), stdout);
  return 0;
}
