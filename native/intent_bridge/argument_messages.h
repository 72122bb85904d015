// TypeError texts of the argument tests, shared by the handlers.
#ifndef INTENT_BRIDGE_ARGUMENT_MESSAGES_H
#define INTENT_BRIDGE_ARGUMENT_MESSAGES_H

namespace intent_bridge {

inline constexpr char kExpectedFilePath[] = "Expected string argument (file path)";
inline constexpr char kExpectedQuery[] = "Expected string argument (query)";
inline constexpr char kExpectedJsonCorpus[] = "Expected string argument (json corpus)";
inline constexpr char kExpectedConfig[] = "Expected object argument (config)";

}  // namespace intent_bridge

#endif  // INTENT_BRIDGE_ARGUMENT_MESSAGES_H
