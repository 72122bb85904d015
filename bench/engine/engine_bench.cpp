// Prints route and similarity latency (median, p99), load time and memory per
// command of the reference engine on the built-in corpus (with the labelled
// queries of test/engine) and on synthetic corpora. Not a test: figures vary
// with the machine.
//   engine_bench [max-commands]   (default 100000)
#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "allocation_counter.h"
#include "corpus_parser.h"
#include "norvik.h"
#include "corpus_snapshot.h"
#include "default_corpus.h"
#include "labelled_queries.h"
#include "reply_format.h"
#include "router.h"
#include "synthetic_corpus.h"
#include "text_normalizer.h"

namespace {

using Clock = std::chrono::steady_clock;

double microseconds(Clock::duration d) {
  return std::chrono::duration<double, std::micro>(d).count();
}

struct Percentiles {
  double median;
  double p99;
  double cpuMean;  // thread CPU time per call, which excludes time the thread was descheduled
};

double threadCpuMicroseconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e6 + static_cast<double>(t.tv_nsec) / 1e3;
}

Percentiles percentiles(std::vector<double> samples, double cpuMean) {
  std::sort(samples.begin(), samples.end());
  return {samples[samples.size() / 2], samples[std::min(samples.size() - 1, samples.size() * 99 / 100)], cpuMean};
}

template <typename Call>
Percentiles timeEach(const std::vector<std::string>& queries, Call&& call) {
  for (std::size_t i = 0; i < std::min<std::size_t>(queries.size(), 50); ++i) call(queries[i]);  // warm up
  std::vector<double> samples;
  samples.reserve(queries.size());
  const double cpuStart = threadCpuMicroseconds();
  for (const std::string& query : queries) {
    const auto start = Clock::now();
    call(query);
    samples.push_back(microseconds(Clock::now() - start));
  }
  const double cpuMean = (threadCpuMicroseconds() - cpuStart) / static_cast<double>(queries.size());
  return percentiles(std::move(samples), cpuMean);
}

// Routes on the built-in corpus: the labelled queries, each routed five times.
void runBuiltIn() {
  std::vector<std::string> queries = bench::labelledQueries();
  if (queries.empty()) return;
  norvik::ParsedCorpus parsed;
  std::string error;
  if (norvik::parseCorpus(norvik::defaultCorpusJson(), norvik::Config{}, parsed, error) != NORVIK_OK) {
    std::fprintf(stderr, "built-in corpus rejected: %s\n", error.c_str());
    std::exit(1);
  }
  const std::size_t commands = parsed.commands.size();
  std::shared_ptr<const norvik::CorpusSnapshot> snapshot =
      norvik::makeSnapshot(parsed.config, std::move(parsed.commands), {});
  std::vector<std::string> repeated;
  for (int pass = 0; pass < 5; ++pass) repeated.insert(repeated.end(), queries.begin(), queries.end());
  std::size_t sink = 0;
  const Percentiles route = timeEach(repeated, [&](const std::string& q) {
    sink += norvik::writeRouteReply(*snapshot, norvik::routeQuery(*snapshot, q), false).size();
  });
  std::printf(
      "built-in corpus, %zu commands, %zu labelled queries x 5: route p50 %.1f us, p99 %.1f us, "
      "thread CPU %.1f us per route   (%zu)\n\n",
      commands, queries.size(), route.median, route.p99, route.cpuMean, sink % 10);
}

void run(std::size_t commands) {
  const bench::SyntheticCorpus corpus =
      bench::makeSyntheticCorpus(commands, 2000, 42u + static_cast<unsigned>(commands));
  const std::size_t before = bench::liveHeapBytes();
  const auto loadStart = Clock::now();
  norvik::ParsedCorpus parsed;
  std::string error;
  if (norvik::parseCorpus(corpus.json, norvik::Config{}, parsed, error) != NORVIK_OK) {
    std::fprintf(stderr, "synthetic corpus rejected: %s\n", error.c_str());
    std::exit(1);
  }
  std::shared_ptr<const norvik::CorpusSnapshot> snapshot =
      norvik::makeSnapshot(parsed.config, std::move(parsed.commands), {});
  const double loadMs = microseconds(Clock::now() - loadStart) / 1000.0;
  const double bytesPerCommand = static_cast<double>(bench::liveHeapBytes() - before) / static_cast<double>(commands);

  std::size_t sink = 0;
  const Percentiles route = timeEach(corpus.queries, [&](const std::string& q) {
    sink += norvik::writeRouteReply(*snapshot, norvik::routeQuery(*snapshot, q), false).size();
  });
  const Percentiles similarity = timeEach(corpus.queries, [&](const std::string& q) {
    const auto hits = snapshot->index->search(norvik::normalizeText(q).chars, 5);
    sink += norvik::writeSimilarityReply(*snapshot, hits).size();
  });
  std::printf("%9zu %10.1f %12.0f %10.1f %10.1f %10.1f %10.1f   (%zu)\n", commands, loadMs, bytesPerCommand,
              route.median, route.p99, similarity.median, similarity.p99, sink % 10);
}

}  // namespace

int main(int argc, char** argv) {
  const std::size_t maxCommands = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 100000;
  runBuiltIn();
  std::printf("reference engine on synthetic corpora: 3 examples per command, 2000 queries each\n");
  std::printf("%9s %10s %12s %10s %10s %10s %10s\n", "commands", "load ms", "bytes/cmd", "route p50", "route p99",
              "sim p50", "sim p99");
  std::printf("%9s %10s %12s %10s %10s %10s %10s\n", "", "", "", "us", "us", "us", "us");
  for (std::size_t commands = 100; commands <= maxCommands; commands *= 10) run(commands);
  return 0;
}
