// Norvik_AddCorpus on arbitrary bytes and lengths. The text is handed over in a
// heap buffer of exactly `length` bytes, so reading past the length is caught. A
// refused corpus must change nothing; an accepted one must leave an engine whose
// route and similarity replies keep their shape, also for queries taken from
// the input, which reach the new commands' patterns.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "engine_session.h"
#include "norvik.h"
#include "reply_checks.h"

namespace {

using deskpet_fuzz::require;

void checkQueries(const std::vector<std::string>& queries) {
  std::vector<char> buffer(1 << 16);
  for (const std::string& query : queries) {
    std::uint32_t length = 0;
    std::int32_t code = Norvik_Route(query.c_str(), buffer.data(), static_cast<std::int32_t>(buffer.size()), &length);
    if (code == NORVIK_BUFFER_TOO_SMALL) {
      buffer.assign(static_cast<std::size_t>(length) + 1, '\0');
      code = Norvik_Route(query.c_str(), buffer.data(), static_cast<std::int32_t>(buffer.size()), &length);
    }
    require(code == 0, "Norvik_Route after AddCorpus");
    deskpet_fuzz::checkRouteReply(
        deskpet_fuzz::checkedReplyText(buffer.data(), static_cast<std::int32_t>(buffer.size()), length));

    code = Norvik_QuerySimilarity(query.c_str(), 5, buffer.data(), static_cast<std::int32_t>(buffer.size()), &length);
    require(code == 0, "Norvik_QuerySimilarity after AddCorpus");
    deskpet_fuzz::checkSimilarityReply(
        deskpet_fuzz::checkedReplyText(buffer.data(), static_cast<std::int32_t>(buffer.size()), length), 5);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  deskpet_fuzz::ensureEngine();
  static const std::int32_t baseCount = Norvik_GetCommandCount();

  FuzzedDataProvider input(data, size);
  // Mostly the whole text; sometimes a shorter length, or a negative one.
  const std::uint8_t lengthMode = input.ConsumeIntegral<std::uint8_t>();
  // Up to past the longest query that patterns are tried on (96 characters).
  const std::string query = input.ConsumeRandomLengthString(128);
  const std::string text = input.ConsumeRemainingBytesAsString();
  std::int32_t length = static_cast<std::int32_t>(text.size());
  if (lengthMode % 8 == 1) length = static_cast<std::int32_t>(lengthMode / 8 % (text.size() + 1));
  if (lengthMode % 8 == 2) length = -1 - lengthMode / 8;

  const std::unique_ptr<char[]> exact(new char[text.size()]);
  std::memcpy(exact.get(), text.data(), text.size());
  std::int32_t count = -7;
  const std::int32_t code = Norvik_AddCorpus(exact.get(), length, &count);
  deskpet_fuzz::checkLastErrorMessage(code);

  if (code == 0) {
    require(count >= 0, "a count of added commands");
    require(Norvik_GetCommandCount() >= 1, "commands remain");
    checkQueries({query, "打开记事本", "播放周杰伦的晴天"});
  } else {
    require(code == -2 || code == -3, "a refused corpus is InvalidArgument or a JSON error");
    require(count == -7, "a refused corpus writes no count");
    require(Norvik_GetCommandCount() == baseCount, "a refused corpus changes nothing");
  }
  deskpet_fuzz::restoreEngine();
  require(Norvik_GetCommandCount() == baseCount, "clearing the user corpus restores the built-in one");
  return 0;
}
