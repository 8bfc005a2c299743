// Loading a box file and walking a repeated key, beside a plain line-by-line
// read of the same file: both should be one pass, with a flat cost per line.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <string>

#include "boxfile/box_file.h"

namespace {

std::string BoxFileOf(int lines) {
  std::string path = "/tmp/kesto-bench-" + std::to_string(lines) + ".box";
  std::ofstream out(path, std::ios::binary);
  out << "KestoName Bench\r\nKestoX 10 ; left\r\n";
  for (int i = 0; i < lines - 2; ++i) {
    out << "*Shortcut \"tip " << i << "\" " << i % 200 << " 4 n.bmp h.bmp p.bmp !KestoToggle box" << i
        << "\r\n";
  }
  return path;
}

void LoadAndWalk(benchmark::State& state) {
  std::string path = BoxFileOf(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    kesto::BoxFile file = kesto::LoadBoxFile(path);
    std::size_t values = 0;
    while (!kesto::NextBoxValue(*file, "*Shortcut").empty()) ++values;
    benchmark::DoNotOptimize(values);
    kesto::CloseBoxFile(file, false);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void PlainGetline(benchmark::State& state) {
  std::string path = BoxFileOf(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    std::ifstream in(path, std::ios::binary);
    std::string line;
    std::size_t lines = 0;
    while (std::getline(in, line)) lines += line.size() > 0;
    benchmark::DoNotOptimize(lines);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

BENCHMARK(LoadAndWalk)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(PlainGetline)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

// Collects the time per run so the ratios can be printed at the end.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_type == Run::RT_Iteration)
        seconds_[run.benchmark_name()] = run.real_accumulated_time / static_cast<double>(run.iterations);
    }
    ConsoleReporter::ReportRuns(runs);
  }
  void PrintRatios() const {
    std::printf("\nlines     load+walk ns/line   getline ns/line   ratio\n");
    for (int lines : {1000, 10000, 100000}) {
      std::string suffix = "/" + std::to_string(lines);
      auto store = seconds_.find("LoadAndWalk" + suffix);
      auto plain = seconds_.find("PlainGetline" + suffix);
      if (store == seconds_.end() || plain == seconds_.end()) continue;
      std::printf("%-9d %17.1f %17.1f %7.2f\n", lines, store->second * 1e9 / lines,
                  plain->second * 1e9 / lines, store->second / plain->second);
    }
  }

 private:
  std::map<std::string, double> seconds_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatios();
  return 0;
}
