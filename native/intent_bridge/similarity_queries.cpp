#include "similarity_queries.h"

#include <cstdint>
#include <string>

#include "argument_messages.h"
#include "reply_builder.h"
#include "norvik.h"
#include "reply_keys.h"
#include "router_handlers.h"
#include "similarity_reply.h"

namespace intent_bridge {

namespace {

constexpr std::int32_t kSimilarityCapacity = 4096;
constexpr std::int32_t kDefaultTopK = 3;

// The count of matches asked for: the second argument as Node-API's int32
// conversion reads it when it is a number (2.9 gives 2, NaN gives 0), else 3.
// No bounds are applied; the engine judges the count.
std::int32_t requestedTopK(const CallArguments& args) {
  if (args.count < 2) return kDefaultTopK;
  napi_valuetype type = napi_undefined;
  if (napi_typeof(args.env, args.values[1], &type) != napi_ok || type != napi_number) return kDefaultTopK;
  return Napi::Number(args.env, args.values[1]).Int32Value();
}

}  // namespace

napi_value buildSimilarityResult(napi_env env, EngineReply reply) {
  return buildReplyValue(env, [reply](auto& sink) { return readSimilarityReply(sink, reply); });
}

napi_value handleQuerySimilarity(const CallArguments& args) {
  Utf8Argument query;
  if (!requireStringArgument(args, kExpectedQuery, query)) return undefinedValue(args.env);
  const std::int32_t topK = requestedTopK(args);

  // The engine writes its reply here; the buffer is not cleared first and is
  // never grown.
  char buffer[kSimilarityCapacity];
  std::uint32_t outLength = 0;
  const std::int32_t code = Norvik_QuerySimilarity(query.c_str(), topK, buffer, kSimilarityCapacity, &outLength);
  if (code != 0) return throwEngineError(args.env, "Norvik_QuerySimilarity", code);

  return buildSimilarityResult(args.env, clampedReply(buffer, sizeof buffer, outLength));
}

napi_value handleSemanticScore(const CallArguments& args) {
  Utf8Argument query;
  if (!requireStringArgument(args, kExpectedQuery, query)) return undefinedValue(args.env);

  double score = 0.0;
  double raw = 0.0;
  std::int32_t commandId = -1;  // stays -1 when the engine leaves it alone
  const std::int32_t code = Norvik_SemanticScore(query.c_str(), &score, &raw, &commandId);
  if (code != 0) return throwEngineError(args.env, "Norvik_SemanticScore", code);

  return buildReplyValue(args.env, [&](auto& sink) {
    auto result = sink.newObject();
    sink.setNumber(result, ReplyKey::known(result_key::score), score);
    sink.setNumber(result, ReplyKey::known(result_key::raw), raw);
    sink.setNumber(result, ReplyKey::known(result_key::cmdId), static_cast<double>(commandId));
    return result;
  });
}

}  // namespace intent_bridge
