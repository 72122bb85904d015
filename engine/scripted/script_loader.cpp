#include "script_loader.h"

#include <cstdint>
#include <fstream>
#include <iterator>
#include <limits>
#include <new>
#include <string_view>
#include <system_error>

#include "deskpet/json_syntax_error.h"
#include "simdjson.h"

namespace scripted {
namespace {

namespace fs = std::filesystem;
using simdjson::dom::element;

// Thrown-free error reporting inside the loader: each reader returns false and
// fills `error` with what was wrong and where.
struct Problem {
  std::string text;
  bool fail(std::string message) {
    text = std::move(message);
    return false;
  }
};

std::optional<std::string> readFile(const fs::path& path, Problem& problem) {
  std::error_code ec;
  if (!fs::is_regular_file(path, ec)) {
    problem.fail("not a regular file");
    return std::nullopt;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    problem.fail("cannot open the file");
    return std::nullopt;
  }
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) {
    problem.fail("cannot read the file");
    return std::nullopt;
  }
  return text;
}

bool readInteger(element value, int64_t low, int64_t high, std::string_view what, int64_t& out, Problem& problem) {
  int64_t number = 0;
  if (value.get_int64().get(number) != simdjson::SUCCESS || number < low || number > high) {
    return problem.fail(std::string(what) + " must be an integer from " + std::to_string(low) + " to " +
                        std::to_string(high));
  }
  out = number;
  return true;
}

bool readInt32(element value, std::string_view what, std::optional<int32_t>& out, Problem& problem) {
  int64_t number = 0;
  if (!readInteger(value, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max(), what, number,
                   problem)) {
    return false;
  }
  out = static_cast<int32_t>(number);
  return true;
}

// Reply lengths are unsigned 32-bit; a negative value is taken modulo 2^32 so
// that a script can write -1 for the largest length.
bool readLength(element value, std::optional<uint32_t>& out, Problem& problem) {
  int64_t number = 0;
  if (!readInteger(value, std::numeric_limits<int32_t>::min(), std::numeric_limits<uint32_t>::max(), "outLength",
                   number, problem)) {
    return false;
  }
  out = static_cast<uint32_t>(number);
  return true;
}

bool readDouble(element value, std::string_view what, std::optional<double>& out, Problem& problem) {
  double number = 0;
  if (value.get_double().get(number) != simdjson::SUCCESS) {
    return problem.fail(std::string(what) + " must be a number");
  }
  out = number;
  return true;
}

bool readText(element value, std::string_view what, std::optional<std::string>& out, Problem& problem) {
  std::string_view text;
  if (value.get_string().get(text) != simdjson::SUCCESS) {
    return problem.fail(std::string(what) + " must be a string");
  }
  out = std::string(text);
  return true;
}

bool readNullableText(element value, std::string_view what, std::optional<NullableText>& out, Problem& problem) {
  if (value.is_null()) {
    out = NullableText{true, {}};
    return true;
  }
  std::optional<std::string> text;
  if (!readText(value, what, text, problem)) {
    return problem.fail(std::string(what) + " must be a string or null");
  }
  out = NullableText{false, std::move(*text)};
  return true;
}

bool readMember(std::string_view key, element value, ReplyEntry& entry, Problem& problem) {
  if (key == "code") return readInt32(value, key, entry.code, problem);
  if (key == "json") return readText(value, key, entry.json, problem);
  if (key == "outLength") return readLength(value, entry.outLength, problem);
  if (key == "count") return readInt32(value, key, entry.count, problem);
  if (key == "score") return readDouble(value, key, entry.score, problem);
  if (key == "raw") return readDouble(value, key, entry.raw, problem);
  if (key == "cmdId") return readInt32(value, key, entry.cmdId, problem);
  if (key == "version") return readNullableText(value, key, entry.version, problem);
  if (key == "message") return readNullableText(value, key, entry.message, problem);
  return problem.fail("unknown entry member \"" + std::string(key) + "\"");
}

bool readEntry(element value, ReplyEntry& entry, Problem& problem) {
  simdjson::dom::object members;
  if (value.get_object().get(members) != simdjson::SUCCESS) {
    return problem.fail("an entry must be an object");
  }
  for (auto member : members) {
    if (!readMember(member.key, member.value, entry, problem)) return false;
  }
  return true;
}

bool readQueue(std::string_view name, element value, Script& script, Problem& problem) {
  const std::optional<EngineFunction> fn = functionByName(name);
  if (!fn) return problem.fail("unknown engine function \"" + std::string(name) + "\"");
  simdjson::dom::array entries;
  if (value.get_array().get(entries) != simdjson::SUCCESS) {
    return problem.fail(std::string(name) + " must be a list of entries");
  }
  ReplyQueue queue;
  std::size_t index = 0;
  for (element item : entries) {
    ReplyEntry entry;
    if (!readEntry(item, entry, problem)) {
      return problem.fail(std::string(name) + "[" + std::to_string(index) + "]: " + problem.text);
    }
    queue.append(std::move(entry));
    ++index;
  }
  script.queue(*fn) = std::move(queue);
  return true;
}

bool readReplies(element value, Script& script, Problem& problem) {
  simdjson::dom::object queues;
  if (value.get_object().get(queues) != simdjson::SUCCESS) {
    return problem.fail("\"replies\" must be an object");
  }
  for (auto member : queues) {
    if (!readQueue(member.key, member.value, script, problem)) return false;
  }
  return true;
}

// A relative log path is taken relative to the script's own folder, so that a
// script and its log can be kept together wherever the process runs.
bool readLogPath(element value, const fs::path& scriptPath, Script& script, Problem& problem) {
  std::string_view text;
  if (value.get_string().get(text) != simdjson::SUCCESS || text.empty()) {
    return problem.fail("\"log\" must be a non-empty string");
  }
  const fs::path log = fs::u8path(text.begin(), text.end());
  const fs::path resolved = log.is_absolute() ? log : scriptPath.parent_path() / log;
  // Made absolute now: the process may change its working directory later.
  std::error_code ec;
  const fs::path absolute = fs::absolute(resolved, ec);
  script.logPath = ec ? resolved : absolute;
  return true;
}

bool readScript(element root, const fs::path& scriptPath, Script& script, Problem& problem) {
  simdjson::dom::object members;
  if (root.get_object().get(members) != simdjson::SUCCESS) {
    return problem.fail("the script must be a JSON object");
  }
  for (auto member : members) {
    if (member.key == "log") {
      if (!readLogPath(member.value, scriptPath, script, problem)) return false;
    } else if (member.key == "replies") {
      if (!readReplies(member.value, script, problem)) return false;
    } else {
      return problem.fail("unknown script member \"" + std::string(member.key) + "\"");
    }
  }
  return true;
}

}  // namespace

LoadResult loadScript(const char* path) {
  LoadResult result;
  Problem problem;
  if (path == nullptr) {
    result.error = "no path";
    return result;
  }
  const fs::path scriptPath = fs::u8path(path);
  const std::optional<std::string> text = readFile(scriptPath, problem);
  if (!text) {
    result.error = problem.text;
    return result;
  }
  simdjson::dom::parser parser;
  element root;
  const simdjson::padded_string padded(*text);
  // simdjson reports a failed allocation instead of throwing; the engine throws.
  if (padded.data() == nullptr) throw std::bad_alloc();
  if (auto error = parser.parse(padded).get(root)) {
    if (error == simdjson::MEMALLOC) throw std::bad_alloc();
    const auto fault = deskpet::findJsonSyntaxError(*text);
    result.error =
        fault ? "invalid JSON at " + fault->describe() : std::string("invalid JSON: ") + simdjson::error_message(error);
    return result;
  }
  Script script;
  if (!readScript(root, scriptPath, script, problem)) {
    result.error = problem.text;
    return result;
  }
  result.script = std::move(script);
  return result;
}

}  // namespace scripted
