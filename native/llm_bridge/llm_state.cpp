#include "llm_state.h"

namespace llm_bridge {

namespace {
// Constant-initialised (std::mutex and the atomics have constexpr constructors),
// so it is ready before any environment can call into the module.
LlmState processState;
}  // namespace

LlmState& llmState() {
  return processState;
}

}  // namespace llm_bridge
