// Prints, for each strictness level of the risk gate (how much evidence a
// machine-changing command needs to run locally), the harmful routes and the
// served requests on a labelled utterance set: the trade-off that the engine's
// default level was chosen on. Not a test.
//   strictness_curve [labelled.json ...]   (default: the tuning half)
// Harmful: a local run of a change or destructive command that the label does
// not ask for. Served: the labelled target, and for a local label the labelled
// command run locally or the LLM path; strict: only the labelled command.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "corpus_parser.h"
#include "norvik.h"
#include "corpus_snapshot.h"
#include "default_corpus.h"
#include "risk_gate.h"
#include "router.h"
#include "simdjson.h"

namespace {

struct Label {
  std::string query;
  std::string target;
  std::string command;  // for local labels
};

std::vector<Label> readLabels(const std::string& file) {
  std::vector<Label> labels;
  simdjson::padded_string json;
  simdjson::dom::parser parser;
  simdjson::dom::array entries;
  if (simdjson::padded_string::load(file).get(json) != simdjson::SUCCESS ||
      parser.parse(json).get_array().get(entries) != simdjson::SUCCESS) {
    std::fprintf(stderr, "cannot read %s\n", file.c_str());
    std::exit(1);
  }
  for (simdjson::dom::element entry : entries) {
    Label label;
    std::string_view text;
    if (entry["query"].get_string().get(text) == simdjson::SUCCESS) label.query = text;
    if (entry["target"].get_string().get(text) == simdjson::SUCCESS) label.target = text;
    if (entry["command"].get_string().get(text) == simdjson::SUCCESS) label.command = text;
    labels.push_back(std::move(label));
  }
  return labels;
}

struct Tally {
  std::size_t harmful = 0;
  std::size_t served = 0;
  std::size_t strict = 0;
  std::size_t local = 0;  // routes that run a machine-changing command
};

Tally measure(const norvik::CorpusSnapshot& snapshot, const std::vector<Label>& labels, int level) {
  Tally tally;
  for (const Label& label : labels) {
    const norvik::RouteDecision d = norvik::routeQuery(snapshot, label.query, level);
    const std::string target = norvik::targetName(d.target);
    const std::string name = d.hasMatch ? d.best.command->name : std::string();
    const bool labelled = target == label.target && (label.target != "local" || name == label.command);
    const bool changes =
        d.target == norvik::CommandTarget::Local && d.hasMatch && d.best.command->risk != norvik::RiskClass::None;
    if (changes) ++tally.local;
    if (changes && !(label.target == "local" && name == label.command)) ++tally.harmful;
    if (labelled) ++tally.strict;
    if (labelled || (label.target == "local" && d.target == norvik::CommandTarget::Llm)) ++tally.served;
  }
  return tally;
}

double percent(std::size_t n, std::size_t total) {
  return total == 0 ? 0.0 : 100.0 * static_cast<double>(n) / static_cast<double>(total);
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) files.emplace_back(argv[i]);
  if (files.empty()) files.emplace_back(std::string(DESKPET_LABELLED_DIR) + "/utterances/tune.json");
  norvik::ParsedCorpus parsed;
  std::string error;
  if (norvik::parseCorpus(norvik::defaultCorpusJson(), norvik::Config{}, parsed, error) != NORVIK_OK) {
    std::fprintf(stderr, "built-in corpus rejected: %s\n", error.c_str());
    return 1;
  }
  const auto snapshot = norvik::makeSnapshot(parsed.config, std::move(parsed.commands), {});
  for (const std::string& file : files) {
    const std::vector<Label> labels = readLabels(file);
    std::printf("%s: %zu utterances (default level %d)\n", file.c_str(), labels.size(), norvik::kDefaultStrictness);
    std::printf("level  harmful        served   strict served   local changes\n");
    for (int level = 0; level < norvik::kStrictnessLevels; ++level) {
      const Tally t = measure(*snapshot, labels, level);
      std::printf("%5d  %3zu (%.2f %%)  %5.1f %%  %7.1f %%  %14zu\n", level, t.harmful,
                  percent(t.harmful, labels.size()), percent(t.served, labels.size()), percent(t.strict, labels.size()),
                  t.local);
    }
  }
  return 0;
}
