// Engine lifecycle (init, initFromFile, destroy, version) and corpus
// (addCorpus, addCorpusFromFile, clearUserCorpus, getCommandCount) calls: one
// engine call each, no state kept in the module.
#include <napi.h>

#include <cstdint>
#include <string>

#include "argument_messages.h"
#include "norvik.h"
#include "router_handlers.h"

namespace intent_bridge {

napi_value handleInit(const CallArguments& args) {
  return trueOrEngineError(args.env, "Norvik_InitDefault", Norvik_InitDefault());
}

napi_value handleInitFromFile(const CallArguments& args) {
  Utf8Argument path;
  if (!requireStringArgument(args, kExpectedFilePath, path)) return undefinedValue(args.env);
  return trueOrEngineError(args.env, "Norvik_InitFromFile", Norvik_InitFromFile(path.c_str()));
}

napi_value handleAddCorpus(const CallArguments& args) {
  Utf8Argument corpus;
  if (!requireStringArgument(args, kExpectedJsonCorpus, corpus)) return undefinedValue(args.env);
  // The engine gets the full byte length, so text after an embedded NUL still
  // reaches it. A script string has fewer than 2^29 UTF-16 units, so its UTF-8
  // form (at most 3 bytes per unit) always fits a 32-bit signed length.
  std::int32_t count = 0;
  const std::int32_t code = Norvik_AddCorpus(corpus.c_str(), static_cast<std::int32_t>(corpus.size()), &count);
  if (code != 0) return throwEngineError(args.env, "Norvik_AddCorpus", code);
  return Napi::Number::New(args.env, static_cast<double>(count));
}

napi_value handleAddCorpusFromFile(const CallArguments& args) {
  Utf8Argument path;
  if (!requireStringArgument(args, kExpectedFilePath, path)) return undefinedValue(args.env);
  std::int32_t count = 0;
  const std::int32_t code = Norvik_AddCorpusFromFile(path.c_str(), &count);
  if (code != 0) return throwEngineError(args.env, "Norvik_AddCorpusFromFile", code);
  return Napi::Number::New(args.env, static_cast<double>(count));
}

napi_value handleClearUserCorpus(const CallArguments& args) {
  return trueOrEngineError(args.env, "Norvik_ClearUserCorpus", Norvik_ClearUserCorpus());
}

napi_value handleGetCommandCount(const CallArguments& args) {
  const std::int32_t result = Norvik_GetCommandCount();
  if (result < 0) return throwEngineError(args.env, "Norvik_GetCommandCount", result);
  return Napi::Number::New(args.env, static_cast<double>(result));
}

napi_value handleDestroy(const CallArguments& args) {
  static_cast<void>(Norvik_Destroy());
  return undefinedValue(args.env);
}

napi_value handleVersion(const CallArguments& args) {
  // The engine owns its text; copy it before anything else can run.
  const char* const engineText = Norvik_Version();
  const std::string version = engineText != nullptr ? std::string(engineText) : std::string("unknown");
  return Napi::String::New(args.env, version);
}

}  // namespace intent_bridge
