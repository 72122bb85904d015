// The routing configuration: the threshold for running a command locally, the
// verbose flag, and the five weights that combine the scores.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace simdjson::dom {
class element;
}

namespace norvik {

struct Weights {
  double semantic = 0.45;
  double complexity = 0.10;
  double domainKeyword = 0.20;
  double openEnded = 0.10;
  double entityMatch = 0.15;

  double sum() const { return semantic + complexity + domainKeyword + openEnded + entityMatch; }
};

struct Config {
  double localThreshold = 0.40;
  bool verbose = false;
  Weights weights;
};

// Applies the members of a JSON object to a copy of `base`. Members may be
// partial; unknown members are ignored. Returns NORVIK_INVALID_ARGUMENT for a
// value of the wrong type or out of range (negative or non-finite weight, all
// weights zero, threshold outside [0, 1]), NORVIK_BAD_INPUT when `object` is not
// an object, and leaves `out` untouched on any failure; `error` then names the
// key and the values it allows.
int32_t applyConfigObject(const simdjson::dom::element& object, const Config& base, Config& out, std::string& error);

// Parses JSON text and applies it as above; malformed JSON is NORVIK_BAD_INPUT.
int32_t applyConfigText(std::string_view json, const Config& base, Config& out, std::string& error);

// Serialises the configuration, every member included.
std::string writeConfigJson(const Config& config);

}  // namespace norvik
