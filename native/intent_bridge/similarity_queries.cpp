#include "similarity_queries.h"

#include <cstdint>
#include <string>

#include "argument_messages.h"
#include "norvik.h"
#include "router_handlers.h"

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

// The first '[' of the reply, searched up to the reply's end or a NUL byte,
// wherever it stands (also inside a string); null when there is none.
const char* findListStart(EngineReply reply) {
  for (std::size_t i = 0; i < reply.length && reply.begin[i] != '\0'; ++i) {
    if (reply.begin[i] == '[') return reply.begin + i;
  }
  return nullptr;
}

// One element object; its opening brace has been consumed. An element cut off
// by the end of the reply keeps what was read.
Napi::Object readMatch(Napi::Env env, JsonCursor& cursor) {
  Napi::Object match = Napi::Object::New(env);
  cursor.walkMembers([&](const std::string& key) {
    if (key == "id") match.Set("id", Napi::Number::New(env, cursor.readNumber()));
    else if (key == "similarity") match.Set("similarity", Napi::Number::New(env, cursor.readNumber()));
    else cursor.skipValue();
  });
  return match;
}

}  // namespace

Napi::Object buildSimilarityResult(Napi::Env env, EngineReply reply) {
  Napi::Object result = Napi::Object::New(env);
  Napi::Array matches = Napi::Array::New(env);
  if (const char* open = findListStart(reply)) {
    JsonCursor cursor(open + 1, reply.begin + reply.length);
    std::uint32_t index = 0;
    while (!cursor.atEnd()) {
      cursor.skipWhitespace();
      if (cursor.atEnd() || cursor.peek() == ']') break;
      const char c = cursor.peek();
      if (c == ',') {
        cursor.advance();
        continue;
      }
      if (c == '{') {
        cursor.advance();
        matches.Set(index++, readMatch(env, cursor));
        continue;
      }
      // Anything else (a number, a string, a bare word) is not a match: pass
      // over the value, or over this byte when it starts none.
      const char* const before = cursor.position();
      cursor.skipValue();
      if (cursor.position() == before) cursor.advance();
    }
  }
  result.Set("matches", matches);
  return result;
}

napi_value handleQuerySimilarity(const CallArguments& args) {
  const auto query = requireStringArgument(args, kExpectedQuery);
  if (!query) return undefinedValue(args.env);
  const std::int32_t topK = requestedTopK(args);

  // The engine writes its reply here; the buffer is not cleared first and is
  // never grown.
  char buffer[kSimilarityCapacity];
  std::uint32_t outLength = 0;
  const std::int32_t code = Norvik_QuerySimilarity(query->c_str(), topK, buffer, kSimilarityCapacity, &outLength);
  if (code != 0) return throwEngineError(args.env, "Norvik_QuerySimilarity", code);

  const Napi::Env env(args.env);
  return buildSimilarityResult(env, clampedReply(buffer, sizeof buffer, outLength));
}

napi_value handleSemanticScore(const CallArguments& args) {
  const auto query = requireStringArgument(args, kExpectedQuery);
  if (!query) return undefinedValue(args.env);

  double score = 0.0;
  double raw = 0.0;
  std::int32_t commandId = -1;  // stays -1 when the engine leaves it alone
  const std::int32_t code = Norvik_SemanticScore(query->c_str(), &score, &raw, &commandId);
  if (code != 0) return throwEngineError(args.env, "Norvik_SemanticScore", code);

  const Napi::Env env(args.env);
  Napi::Object result = Napi::Object::New(env);
  result.Set("score", Napi::Number::New(env, score));
  result.Set("raw", Napi::Number::New(env, raw));
  result.Set("cmdId", Napi::Number::New(env, static_cast<double>(commandId)));
  return result;
}

}  // namespace intent_bridge
