#include "corpus_parser.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <unordered_set>

#include "json_document.h"
#include "query_coverage.h"
#include "query_form.h"
#include "risk_class.h"
#include "simdjson.h"

namespace norvik {

namespace {

using simdjson::dom::array;
using simdjson::dom::element;
using simdjson::dom::object;

struct CommandReader {
  std::string& error;

  bool fail(const std::string& message) {
    error = message;
    return false;
  }

  bool readStringList(const element& value, const char* member, std::vector<std::string>& out) {
    array list;
    if (value.get_array().get(list) != simdjson::SUCCESS) {
      return fail(std::string(member) + " must be an array of strings");
    }
    for (element item : list) {
      std::string_view text;
      if (item.get_string().get(text) != simdjson::SUCCESS) {
        return fail(std::string(member) + " must be an array of strings");
      }
      out.emplace_back(text);
    }
    return true;
  }

  bool readId(const element& value, Command& command) {
    int64_t id = 0;
    if (value.get_int64().get(id) != simdjson::SUCCESS || id < std::numeric_limits<int32_t>::min() ||
        id > std::numeric_limits<int32_t>::max()) {
      return fail("id must be a 32-bit integer");
    }
    if (id == -1) return fail("id -1 is reserved for 'no command'");
    command.id = static_cast<int32_t>(id);
    return true;
  }

  bool readAction(const element& value, Command& command) {
    object fields;
    if (value.get_object().get(fields) != simdjson::SUCCESS) {
      return fail("action must be an object of strings");
    }
    for (auto field : fields) {
      std::string_view text;
      if (field.value.get_string().get(text) != simdjson::SUCCESS) {
        return fail("action member '" + std::string(field.key) + "' must be a string");
      }
      command.action.emplace_back(std::string(field.key), std::string(text));
    }
    return true;
  }

  bool readTarget(const element& value, Command& command) {
    std::string_view text;
    if (value.get_string().get(text) != simdjson::SUCCESS) return fail("target must be a string");
    if (text == "local") {
      command.target = CommandTarget::Local;
    } else if (text == "llm") {
      command.target = CommandTarget::Llm;
    } else if (text == "chat") {
      command.target = CommandTarget::Chat;
    } else {
      return fail("target must be \"local\", \"llm\" or \"chat\"");
    }
    return true;
  }

  bool readRisk(const element& value, Command& command, bool& hasRisk) {
    std::string_view text;
    std::optional<RiskClass> risk;
    if (value.get_string().get(text) == simdjson::SUCCESS) risk = parseRiskName(text);
    if (!risk) return fail("risk must be \"none\", \"change\" or \"destructive\"");
    command.risk = *risk;
    hasRisk = true;
    return true;
  }

  bool readPatterns(const element& value, Command& command) {
    std::vector<std::string> sources;
    if (!readStringList(value, "patterns", sources)) return false;
    for (const std::string& source : sources) {
      std::string patternError;
      auto pattern = parsePattern(source, patternError);
      if (!pattern) return fail("pattern \"" + source + "\": " + patternError);
      command.patterns.push_back(std::move(*pattern));
    }
    return true;
  }

  bool readMember(std::string_view key, const element& value, Command& command, bool& hasId, bool& hasRisk) {
    if (key == "id") {
      hasId = true;
      return readId(value, command);
    }
    if (key == "name") {
      std::string_view text;
      if (value.get_string().get(text) != simdjson::SUCCESS) return fail("name must be a string");
      command.name = std::string(text);
      return true;
    }
    if (key == "examples") return readStringList(value, "examples", command.examples);
    if (key == "keywords") return readStringList(value, "keywords", command.keywords);
    if (key == "patterns") return readPatterns(value, command);
    if (key == "action") return readAction(value, command);
    if (key == "target") return readTarget(value, command);
    if (key == "risk") return readRisk(value, command, hasRisk);
    return true;  // other members (descriptions, comments) are ignored
  }

  bool read(const element& value, Command& command) {
    object fields;
    if (value.get_object().get(fields) != simdjson::SUCCESS) return fail("a command must be an object");
    bool hasId = false;
    bool hasRisk = false;
    for (auto field : fields) {
      if (!readMember(field.key, field.value, command, hasId, hasRisk)) return false;
    }
    if (!hasId) return fail("a command needs an id");
    if (normalizeText(command.name).chars.empty()) {
      return fail("command " + std::to_string(command.id) + " needs a name with letters");
    }
    for (const std::string& keyword : command.keywords) {
      NormalizedText normalized = normalizeText(keyword);
      if (!normalized.chars.empty()) command.normalizedKeywords.push_back(std::move(normalized.chars));
    }
    if (!hasRisk) command.risk = defaultRisk(defaultRiskRules(), command.action, command.target);
    command.knownPairs = collectKnownPairs(command);
    command.thingWords = collectThingWords(command);
    command.operation = namedOperation(command.name);
    command.answersQuestions = std::any_of(command.examples.begin(), command.examples.end(), [](const std::string& e) {
      return readQueryForm(e, normalizeText(e).chars).question != QuestionKind::None;
    });
    return true;
  }
};

ResultCode readCommands(const array& list, ParsedCorpus& out, std::string& error) {
  std::unordered_set<int32_t> seen;
  CommandReader reader{error};
  std::size_t index = 0;
  for (element item : list) {
    auto command = std::make_shared<Command>();
    if (!reader.read(item, *command)) {
      error = "command #" + std::to_string(index) + ": " + error;
      return kFileOrJsonError;
    }
    if (!seen.insert(command->id).second) {
      error = "duplicate command id " + std::to_string(command->id);
      return kFileOrJsonError;
    }
    out.commands.push_back(std::move(command));
    ++index;
  }
  return kOk;
}

}  // namespace

ResultCode parseCorpus(std::string_view json, const Config& base, ParsedCorpus& out, std::string& error) {
  simdjson::dom::parser parser;
  element root;
  if (const ResultCode code = parseJsonDocument(json, parser, root, error); code != kOk) return code;
  ParsedCorpus parsed;
  parsed.config = base;
  array list;
  if (root.get_array().get(list) == simdjson::SUCCESS) {
    const ResultCode code = readCommands(list, parsed, error);
    if (code != kOk) return code;
    out = std::move(parsed);
    return kOk;
  }
  object top;
  if (root.get_object().get(top) != simdjson::SUCCESS) {
    error = "a corpus is an object or an array of commands";
    return kFileOrJsonError;
  }
  element configValue;
  if (top["config"].get(configValue) == simdjson::SUCCESS) {
    if (applyConfigObject(configValue, base, parsed.config, error) != kOk) return kFileOrJsonError;
    parsed.hasConfig = true;
  }
  element commandsValue;
  if (top["commands"].get(commandsValue) == simdjson::SUCCESS) {
    if (commandsValue.get_array().get(list) != simdjson::SUCCESS) {
      error = "commands must be an array";
      return kFileOrJsonError;
    }
    const ResultCode code = readCommands(list, parsed, error);
    if (code != kOk) return code;
  }
  out = std::move(parsed);
  return kOk;
}

bool readFileBytes(const char* utf8Path, std::string& out) {
  std::error_code ec;
  const std::filesystem::path path = std::filesystem::u8path(utf8Path);
  if (!std::filesystem::is_regular_file(path, ec)) return false;
  std::ifstream stream(path, std::ios::binary);
  if (!stream) return false;
  std::string bytes((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
  if (stream.bad()) return false;
  out = std::move(bytes);
  return true;
}

}  // namespace norvik
