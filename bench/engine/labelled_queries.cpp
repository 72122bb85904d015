#include "labelled_queries.h"

#include <cstdlib>

#include "simdjson.h"

namespace bench {

namespace {

void appendQueries(const std::string& file, std::vector<std::string>& out) {
  simdjson::padded_string json;
  if (simdjson::padded_string::load(file).get(json) != simdjson::SUCCESS) return;
  simdjson::dom::parser parser;
  simdjson::dom::array entries;
  if (parser.parse(json).get_array().get(entries) != simdjson::SUCCESS) return;
  for (simdjson::dom::element entry : entries) {
    std::string_view query;
    if (entry["query"].get_string().get(query) == simdjson::SUCCESS) out.emplace_back(query);
  }
}

}  // namespace

std::vector<std::string> labelledQueries() {
  const char* override = std::getenv("DESKPET_LABELLED_DIR");
  const std::string dir = override != nullptr ? override : DESKPET_LABELLED_DIR;
  std::vector<std::string> queries;
  for (const char* name : {"/paraphrases.json", "/utterances/tune.json", "/utterances/test.json"}) {
    appendQueries(dir + name, queries);
  }
  return queries;
}

}  // namespace bench
