// The engine side of the route benchmark (bench/route/run.js drives it).
//
//   route_bench_engine corpus <commands> <queries> <seed> <dir>
//     writes a synthetic corpus (dir/corpus.json), its queries one per line
//     (dir/queries.txt) and the name of the command each query paraphrases
//     (dir/labels.txt).
//
//   route_bench_engine replies <corpus.json | builtin> <queries.txt> <out.txt>
//     writes, for every query, its route reply with the candidates listed
//     (verbose on) and its similarity reply for 20 matches, one line each:
//     what a change that must not change results is checked against.
//
//   route_bench_engine time <corpus.json | builtin> <queries.txt> <rounds> <replies.txt>
//     loads the corpus through the C interface (Norvik_InitDefault or
//     Norvik_InitFromFile), routes every query once to warm up and writes its
//     reply to replies.txt (one line each), then routes every query once per
//     round, timing each Norvik_Route call alone by the steady clock, with the
//     thread's CPU time read once a round; then as many rounds again, timing
//     each call by the thread's CPU time (which leaves out the time the thread
//     was not running, on a machine shared with other work). Prints one JSON
//     line: median and 99th percentile of the calls by either measure, the
//     mean CPU time per call, and the heap blocks allocated per call.
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "allocation_counter.h"
#include "norvik.h"
#include "synthetic_corpus.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kCapacity = 8192;

[[noreturn]] void fail(const std::string& message) {
  std::fprintf(stderr, "route_bench_engine: %s\n", message.c_str());
  std::exit(1);
}

std::vector<std::string> readLines(const char* path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) fail(std::string("cannot read ") + path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

void writeText(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
  if (!out) fail("cannot write " + path);
}

std::string joinLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

int writeCorpus(char** argv) {
  const auto commands = static_cast<std::size_t>(std::strtoul(argv[2], nullptr, 10));
  const auto queries = static_cast<std::size_t>(std::strtoul(argv[3], nullptr, 10));
  const auto seed = static_cast<unsigned>(std::strtoul(argv[4], nullptr, 10));
  const std::string dir = argv[5];
  const bench::SyntheticCorpus corpus = bench::makeSyntheticCorpus(commands, queries, seed);
  writeText(dir + "/corpus.json", corpus.json);
  writeText(dir + "/queries.txt", joinLines(corpus.queries));
  writeText(dir + "/labels.txt", joinLines(corpus.queryCommands));
  return 0;
}

double threadCpuMicroseconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e6 + static_cast<double>(now.tv_nsec) / 1e3;
}

double medianOf(std::vector<double> values) {
  std::nth_element(values.begin(), values.begin() + static_cast<long>(values.size() / 2), values.end());
  return values[values.size() / 2];
}

// What one pair of readings of each clock costs, taken off every sample.
struct ClockCosts {
  double wall = 0.0;
  double cpu = 0.0;
};

ClockCosts clockCosts() {
  std::vector<double> wall;
  std::vector<double> cpu;
  for (int i = 0; i < 10001; ++i) {
    const double cpuStart = threadCpuMicroseconds();
    const auto start = Clock::now();
    const auto end = Clock::now();
    cpu.push_back(threadCpuMicroseconds() - cpuStart);
    wall.push_back(std::chrono::duration<double, std::micro>(end - start).count());
  }
  return {medianOf(wall), medianOf(cpu)};
}

struct Percentiles {
  double median;
  double p99;
};

Percentiles percentiles(std::vector<double>& samples) {
  std::sort(samples.begin(), samples.end());
  return {samples[samples.size() / 2], samples[std::min(samples.size() - 1, samples.size() * 99 / 100)]};
}

std::string route(const std::string& query, char* buffer, std::int32_t capacity = kCapacity) {
  std::uint32_t length = 0;
  const std::int32_t code = Norvik_Route(query.c_str(), buffer, capacity, &length);
  if (code != 0) fail("Norvik_Route failed with code " + std::to_string(code) + " for " + query);
  return std::string(buffer, length);
}

void load(const std::string& corpus) {
  const std::int32_t loaded = corpus == "builtin" ? Norvik_InitDefault() : Norvik_InitFromFile(corpus.c_str());
  if (loaded != 0) fail("loading the corpus failed with code " + std::to_string(loaded));
}

int writeReplies(char** argv) {
  load(argv[2]);
  if (Norvik_UpdateConfig("{\"verbose\":true}") != 0) fail("verbose could not be set");
  std::vector<char> buffer(1 << 20);
  std::string text;
  for (const std::string& query : readLines(argv[3])) {
    text += route(query, buffer.data(), static_cast<std::int32_t>(buffer.size())) + "\n";
    std::uint32_t length = 0;
    const std::int32_t code =
        Norvik_QuerySimilarity(query.c_str(), 20, buffer.data(), static_cast<std::int32_t>(buffer.size()), &length);
    if (code != 0) fail("Norvik_QuerySimilarity failed with code " + std::to_string(code));
    text += std::string(buffer.data(), length) + "\n";
  }
  writeText(argv[4], text);
  Norvik_Destroy();
  return 0;
}

int timeRoutes(char** argv) {
  const std::string corpus = argv[2];
  const std::vector<std::string> queries = readLines(argv[3]);
  const int rounds = std::max(1, std::atoi(argv[4]));
  if (queries.empty()) fail("no queries");

  const auto loadStart = Clock::now();
  load(corpus);
  const double loadMs = std::chrono::duration<double, std::milli>(Clock::now() - loadStart).count();

  std::vector<char> buffer(kCapacity);
  std::vector<std::string> replies;
  for (const std::string& query : queries) replies.push_back(route(query, buffer.data()));
  writeText(argv[5], joinLines(replies));

  const ClockCosts overhead = clockCosts();
  const std::size_t calls = queries.size() * static_cast<std::size_t>(rounds);
  // By the wall clock: each call between two readings of the steady clock,
  // which are read in user space. The thread's CPU time is read once a round:
  // its clock is a system call, which on some machines costs a microsecond and
  // leaves the caches and branch predictors colder for the call it times.
  std::vector<double> samples;
  samples.reserve(calls);
  double cpuTotal = 0.0;
  const std::size_t allocationsBefore = bench::allocationCount();
  for (int round = 0; round < rounds; ++round) {
    const double cpuStart = threadCpuMicroseconds();
    for (const std::string& query : queries) {
      std::uint32_t length = 0;
      const auto start = Clock::now();
      Norvik_Route(query.c_str(), buffer.data(), kCapacity, &length);
      const auto end = Clock::now();
      samples.push_back(std::max(0.0, std::chrono::duration<double, std::micro>(end - start).count() - overhead.wall));
    }
    cpuTotal += threadCpuMicroseconds() - cpuStart;
  }
  const double cpuPerCall = std::max(0.0, cpuTotal / static_cast<double>(calls) - overhead.wall);
  const double allocationsPerCall =
      static_cast<double>(bench::allocationCount() - allocationsBefore) / static_cast<double>(calls);
  // By the thread's CPU time, in rounds of their own: each call between two
  // readings of that clock, which leaves out the time the thread was not
  // running (on a machine shared with other work) but includes what the
  // clock's system calls cost the call.
  std::vector<double> cpuSamples;
  cpuSamples.reserve(calls);
  for (int round = 0; round < rounds; ++round) {
    for (const std::string& query : queries) {
      std::uint32_t length = 0;
      const double cpuBefore = threadCpuMicroseconds();
      Norvik_Route(query.c_str(), buffer.data(), kCapacity, &length);
      cpuSamples.push_back(std::max(0.0, threadCpuMicroseconds() - cpuBefore - overhead.cpu));
    }
  }

  const Percentiles wall = percentiles(samples);
  const Percentiles cpu = percentiles(cpuSamples);
  std::printf(
      "{\"commands\":%d,\"queries\":%zu,\"rounds\":%d,\"loadMs\":%.1f,\"medianUs\":%.3f,\"p99Us\":%.3f,"
      "\"cpuMedianUs\":%.3f,\"cpuP99Us\":%.3f,\"cpuUs\":%.3f,\"allocationsPerCall\":%.2f}\n",
      Norvik_GetCommandCount(), queries.size(), rounds, loadMs, wall.median, wall.p99, cpu.median, cpu.p99, cpuPerCall,
      allocationsPerCall);
  Norvik_Destroy();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 6 && std::strcmp(argv[1], "corpus") == 0) return writeCorpus(argv);
  if (argc == 6 && std::strcmp(argv[1], "time") == 0) return timeRoutes(argv);
  if (argc == 5 && std::strcmp(argv[1], "replies") == 0) return writeReplies(argv);
  std::fprintf(stderr,
               "usage: route_bench_engine corpus <commands> <queries> <seed> <dir>\n"
               "       route_bench_engine replies <corpus.json|builtin> <queries.txt> <out.txt>\n"
               "       route_bench_engine time <corpus.json|builtin> <queries.txt> <rounds> <replies.txt>\n");
  return 2;
}
