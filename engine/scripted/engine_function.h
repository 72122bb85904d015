// The thirteen engine functions, as an index for reply queues and log records.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace scripted {

enum class EngineFunction : std::size_t {
  kInitDefault,
  kInitFromFile,
  kRoute,
  kQuerySimilarity,
  kSemanticScore,
  kUpdateConfig,
  kGetConfig,
  kAddCorpus,
  kAddCorpusFromFile,
  kClearUserCorpus,
  kGetCommandCount,
  kDestroy,
  kVersion,
};

inline constexpr std::size_t kEngineFunctionCount = 13;

// The exported name, e.g. "Norvik_Route".
std::string_view functionName(EngineFunction fn);

// The function with this exported name, if there is one.
std::optional<EngineFunction> functionByName(std::string_view name);

}  // namespace scripted
