// Norvik_QuerySimilarity and Norvik_SemanticScore on arbitrary query bytes and
// any topK (zero, negative, huge). Replies must be valid JSON with at most topK
// matches in falling similarity; the semantic score must agree with the best
// match of the list.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "engine_session.h"
#include "norvik.h"
#include "reply_checks.h"
#include "simdjson.h"

namespace {

using deskpet_fuzz::require;

struct FirstMatch {
  bool present = false;
  std::int64_t id = -1;
  double similarity = 0.0;
};

FirstMatch firstMatchOf(const std::string& json) {
  simdjson::dom::parser parser;
  simdjson::dom::array matches;
  FirstMatch first;
  if (parser.parse(json)["matches"].get_array().get(matches) != simdjson::SUCCESS || matches.size() == 0) return first;
  first.present = true;
  first.id = matches.at(0)["id"].get_int64().value_unsafe();
  first.similarity = matches.at(0)["similarity"].get_double().value_unsafe();
  return first;
}

// The module's call: 4096 bytes, no retry. A reply that does not fit must say
// how long it is; the check then reads it with enough room.
std::string similarityReply(const std::string& query, std::int32_t topK) {
  std::vector<char> buffer(4096);
  std::uint32_t length = 0;
  std::int32_t code = Norvik_QuerySimilarity(query.c_str(), topK, buffer.data(), 4096, &length);
  if (code == NORVIK_BUFFER_TOO_SMALL) {
    require(length >= 4096, "BufferTooSmall only when the reply does not fit");
    buffer.assign(static_cast<std::size_t>(length) + 1, '\0');
    code =
        Norvik_QuerySimilarity(query.c_str(), topK, buffer.data(), static_cast<std::int32_t>(buffer.size()), &length);
  }
  require(code == 0, "Norvik_QuerySimilarity succeeds on an initialised engine");
  return deskpet_fuzz::checkedReplyText(buffer.data(), static_cast<std::int32_t>(buffer.size()), length);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  deskpet_fuzz::ensureEngine();
  FuzzedDataProvider input(data, size);
  const auto topK = input.ConsumeIntegral<std::int32_t>();
  const std::string query = input.ConsumeRemainingBytesAsString();

  const std::string reply = similarityReply(query, topK);
  deskpet_fuzz::checkSimilarityReply(reply, topK > 0 ? static_cast<std::size_t>(topK) : 0);

  double score = 0.0;
  double raw = 0.0;
  std::int32_t commandId = -1;
  require(Norvik_SemanticScore(query.c_str(), &score, &raw, &commandId) == 0, "Norvik_SemanticScore succeeds");
  require(std::isfinite(score) && score >= 0.0 && score <= 1.0, "score in [0, 1]");
  require(std::isfinite(raw) && raw >= 0.0, "raw score finite and >= 0");

  const FirstMatch best = topK > 0 ? firstMatchOf(reply) : FirstMatch{};
  if (topK > 0) {
    require(best.present == (commandId != -1), "a command id exactly when the list has a match");
    if (best.present) {
      require(best.id == commandId, "the semantic score names the best match");
      require(std::fabs(best.similarity - score) <= 1e-6, "the semantic score is the best similarity");
    }
  }
  return 0;
}
