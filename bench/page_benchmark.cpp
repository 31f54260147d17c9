// Times the page path in process on one score: decoding, reading into the score model and
// writing the LilyPond page, as choirly-engrave does for each score; and on a NoteWorthy
// Composer .nwc file, whose inflating and binary reading come first.
//
// Usage: choirly_page_benchmark --score=PATH [--nwc=PATH] [Google Benchmark options]
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engrave/freed_memory.hpp"
#include "engrave/page_conversion.hpp"

namespace {

void bm_page(benchmark::State& state, const std::string& score_bytes) {
  std::size_t written = 0;
  for (auto _ : state) {
    const choirly::engrave::conversion page = choirly::engrave::convert_page(score_bytes);
    if (!page.verdict) {
      state.SkipWithError("the score is not converted on the page path");
      return;
    }
    written = page.document.size();
    benchmark::DoNotOptimize(page.document.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(score_bytes.size()));
  state.counters["page_bytes"] = static_cast<double>(written);
}

bool read_whole(const std::string& path, std::string& bytes) {
  std::ifstream file(path, std::ios::binary);
  if (path.empty() || !file) return false;
  bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  // As choirly-engrave runs, one score after another.
  choirly::engrave::keep_freed_memory();
  std::string path, nwc_path;
  std::vector<char*> rest;
  for (int i = 0; i < argc; ++i) {
    if (std::strncmp(argv[i], "--score=", 8) == 0)
      path = argv[i] + 8;
    else if (std::strncmp(argv[i], "--nwc=", 6) == 0)
      nwc_path = argv[i] + 6;
    else
      rest.push_back(argv[i]);
  }
  static std::string score_bytes, nwc_bytes;
  if (!read_whole(path, score_bytes) || (!nwc_path.empty() && !read_whole(nwc_path, nwc_bytes))) {
    std::fprintf(stderr,
                 "choirly_page_benchmark: give a readable score with --score=PATH (and "
                 "--nwc=PATH)\n");
    return 2;
  }
  benchmark::RegisterBenchmark("page_path", bm_page, score_bytes)->Unit(benchmark::kMillisecond);
  if (!nwc_bytes.empty())
    benchmark::RegisterBenchmark("nwc_page_path", bm_page, nwc_bytes)
        ->Unit(benchmark::kMillisecond);
  int rest_count = static_cast<int>(rest.size());
  benchmark::Initialize(&rest_count, rest.data());
  if (benchmark::ReportUnrecognizedArguments(rest_count, rest.data())) return 2;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
