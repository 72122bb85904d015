#include "engine_function.h"

#include <array>

namespace scripted {
namespace {

constexpr std::array<std::string_view, kEngineFunctionCount> kNames = {
    "Norvik_InitDefault",       "Norvik_InitFromFile",    "Norvik_Route",           "Norvik_QuerySimilarity",
    "Norvik_SemanticScore",     "Norvik_UpdateConfig",    "Norvik_GetConfig",       "Norvik_AddCorpus",
    "Norvik_AddCorpusFromFile", "Norvik_ClearUserCorpus", "Norvik_GetCommandCount", "Norvik_Destroy",
    "Norvik_Version",
};

}  // namespace

std::string_view functionName(EngineFunction fn) {
  return kNames[static_cast<std::size_t>(fn)];
}

std::optional<EngineFunction> functionByName(std::string_view name) {
  for (std::size_t i = 0; i < kNames.size(); ++i) {
    if (kNames[i] == name) return static_cast<EngineFunction>(i);
  }
  return std::nullopt;
}

}  // namespace scripted
