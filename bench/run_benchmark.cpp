// Times choirly::run in-process on one score, reported per input line.
//
// Usage: choirly_benchmark [--score=PATH] [Google Benchmark options]
// Without --score the path comes from the environment variable CHOIRLY_BENCH_SCORE.
// The score is read into memory once; each iteration reads it through fmemopen and writes
// the document to /dev/null, so the figure is the conversion alone, without file input.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "choirly.hpp"

namespace {

std::string score_text;
long score_lines = 0;

void bm_convert(benchmark::State& state) {
  std::FILE* out = std::fopen("/dev/null", "w");
  std::FILE* err = std::fopen("/dev/null", "w");
  if (out == nullptr || err == nullptr) {
    state.SkipWithError("cannot open /dev/null");
    return;
  }
  char program[] = "choirly";
  char satb[] = "-SATB";
  char* argv[] = {program, satb, nullptr};
  int status = 0;
  for (auto _ : state) {
    std::FILE* in = ::fmemopen(score_text.data(), score_text.size(), "r");
    status |= choirly::run(2, argv, in, out, err);
    std::fflush(out);
    std::fclose(in);
  }
  std::fclose(out);
  std::fclose(err);
  if (status != 0) state.SkipWithError("choirly::run returned a non-zero status");
  const auto lines = static_cast<double>(state.iterations()) * static_cast<double>(score_lines);
  state.SetItemsProcessed(static_cast<std::int64_t>(lines));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(score_text.size()));
  // Seconds per line, printed with an SI prefix ("85n" is 85 ns per line).
  state.counters["per_line"] =
      benchmark::Counter(lines, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["lines"] = static_cast<double>(score_lines);
}

}  // namespace

int main(int argc, char** argv) {
  std::string path;
  if (const char* env = std::getenv("CHOIRLY_BENCH_SCORE")) path = env;
  std::vector<char*> rest;
  for (int i = 0; i < argc; ++i) {
    if (std::strncmp(argv[i], "--score=", 8) == 0)
      path = argv[i] + 8;
    else
      rest.push_back(argv[i]);
  }
  if (path.empty()) {
    std::fprintf(stderr,
                 "choirly_benchmark: give the score with --score=PATH or CHOIRLY_BENCH_SCORE\n");
    return 2;
  }
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    std::fprintf(stderr, "choirly_benchmark: cannot read %s\n", path.c_str());
    return 2;
  }
  score_text.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  score_lines = std::count(score_text.begin(), score_text.end(), '\n');
  if (!score_text.empty() && score_text.back() != '\n') ++score_lines;

  benchmark::RegisterBenchmark("convert_score", bm_convert)->Unit(benchmark::kMicrosecond);
  int rest_count = static_cast<int>(rest.size());
  benchmark::Initialize(&rest_count, rest.data());
  if (benchmark::ReportUnrecognizedArguments(rest_count, rest.data())) return 2;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
