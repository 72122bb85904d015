// What every reply of the reference engine must be, whatever the query or
// corpus: NUL-terminated JSON text of the reported length, valid UTF-8, with
// the members and value ranges that intent_bridge and its callers rely on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace deskpet_fuzz {

// The reply of an engine call that returned 0: `length` bytes of text followed
// by a NUL inside `capacity`, without a NUL inside the text. Returns the text.
std::string checkedReplyText(const char* buffer, std::int32_t capacity, std::uint32_t length);

// {"target":"local"|"llm"|"chat","confidence":0..1,"reasoning":"...","scores":{..0..1},
//  "matchedCommand":null|{id,similarity,name},"patternAction":null|{name:string}}
void checkRouteReply(const std::string& json);

// {"matches":[{id,similarity,name}...]}: at most `limit` entries, similarity in
// [0, 1] and not increasing.
void checkSimilarityReply(const std::string& json, std::size_t limit);

// {"localThreshold":0..1,"verbose":bool,"weights":{five finite weights >= 0}}
void checkConfigReply(const std::string& json);

// Every text is UTF-8 and every number finite in the JSON text.
bool isValidJson(const std::string& json);

}  // namespace deskpet_fuzz
