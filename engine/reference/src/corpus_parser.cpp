#include "corpus_parser.h"

#include <algorithm>
#include <limits>
#include <unordered_map>

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

std::string inQuotes(std::string_view text) {
  return "\"" + std::string(text) + "\"";
}

bool readCommandId(const element& value, int32_t& id) {
  int64_t number = 0;
  if (value.get_int64().get(number) != simdjson::SUCCESS || number < std::numeric_limits<int32_t>::min() ||
      number > std::numeric_limits<int32_t>::max()) {
    return false;
  }
  id = static_cast<int32_t>(number);
  return true;
}

// The hashes of the command's normalised name and examples, sorted and unique.
std::vector<uint64_t> collectOwnTextHashes(const Command& command) {
  std::vector<uint64_t> hashes{textHash(normalizeChars(command.name))};
  for (const std::string& example : command.examples) {
    const NormalizedText normalized = normalizeText(example);
    if (!normalized.chars.empty()) hashes.push_back(textHash(normalized.chars));
  }
  std::sort(hashes.begin(), hashes.end());
  hashes.erase(std::unique(hashes.begin(), hashes.end()), hashes.end());
  return hashes;
}

// Reads one command; on failure `error` names the member and what it must be.
struct CommandReader {
  std::string& error;

  bool fail(const std::string& message) {
    error = message;
    return false;
  }

  bool readStringList(const element& value, const char* member, std::vector<std::string>& out) {
    array list;
    if (value.get_array().get(list) != simdjson::SUCCESS) {
      return fail(inQuotes(member) + " must be an array of strings (got " + describeJsonValue(value) + ")");
    }
    std::size_t index = 0;
    for (element item : list) {
      std::string_view text;
      if (item.get_string().get(text) != simdjson::SUCCESS) {
        return fail(inQuotes(member) + "[" + std::to_string(index) + "] must be a string (got " +
                    describeJsonValue(item) + ")");
      }
      out.emplace_back(text);
      ++index;
    }
    return true;
  }

  bool readId(const element& value, Command& command) {
    if (!readCommandId(value, command.id)) {
      return fail("\"id\" must be an integer from -2147483648 to 2147483647 (got " + describeJsonValue(value) + ")");
    }
    if (command.id == -1) return fail("\"id\" -1 is reserved: it means \"no command\"");
    return true;
  }

  bool readAction(const element& value, Command& command) {
    object fields;
    if (value.get_object().get(fields) != simdjson::SUCCESS) {
      return fail("\"action\" must be an object of strings (got " + describeJsonValue(value) + ")");
    }
    for (auto field : fields) {
      std::string_view text;
      if (field.value.get_string().get(text) != simdjson::SUCCESS) {
        return fail("\"action\" member " + inQuotes(field.key) + " must be a string (got " +
                    describeJsonValue(field.value) + ")");
      }
      command.action.emplace_back(std::string(field.key), std::string(text));
    }
    return true;
  }

  bool readTarget(const element& value, Command& command) {
    std::string_view text;
    if (value.get_string().get(text) == simdjson::SUCCESS) {
      if (text == "local") {
        command.target = CommandTarget::Local;
        return true;
      }
      if (text == "llm") {
        command.target = CommandTarget::Llm;
        return true;
      }
      if (text == "chat") {
        command.target = CommandTarget::Chat;
        return true;
      }
      return fail("\"target\" must be \"local\", \"llm\" or \"chat\" (got " + inQuotes(text) + ")");
    }
    return fail("\"target\" must be \"local\", \"llm\" or \"chat\" (got " + describeJsonValue(value) + ")");
  }

  bool readRisk(const element& value, Command& command, bool& hasRisk) {
    std::string_view text;
    std::optional<RiskClass> risk;
    if (value.get_string().get(text) == simdjson::SUCCESS) risk = parseRiskName(text);
    if (!risk) {
      return fail("\"risk\" must be \"none\", \"change\" or \"destructive\" (got " +
                  (value.is_string() ? inQuotes(text) : describeJsonValue(value)) + ")");
    }
    command.risk = *risk;
    hasRisk = true;
    return true;
  }

  bool readPatterns(const element& value, Command& command) {
    std::vector<std::string> sources;
    if (!readStringList(value, "patterns", sources)) return false;
    for (std::size_t index = 0; index < sources.size(); ++index) {
      std::string patternError;
      auto pattern = parsePattern(sources[index], patternError);
      if (!pattern) {
        return fail("\"patterns\"[" + std::to_string(index) + "] " + inQuotes(sources[index]) + ": " + patternError);
      }
      command.patterns.push_back(std::move(*pattern));
    }
    return true;
  }

  // Which of the members a command needs (or may take a default for) it had.
  struct MembersSeen {
    bool id = false;
    bool name = false;
    bool risk = false;
  };

  bool readMember(std::string_view key, const element& value, Command& command, MembersSeen& seen) {
    if (key == "id") {
      seen.id = true;
      return readId(value, command);
    }
    if (key == "name") {
      std::string_view text;
      if (value.get_string().get(text) != simdjson::SUCCESS) {
        return fail("\"name\" must be a string (got " + describeJsonValue(value) + ")");
      }
      seen.name = true;
      command.name = std::string(text);
      return true;
    }
    if (key == "examples") return readStringList(value, "examples", command.examples);
    if (key == "keywords") return readStringList(value, "keywords", command.keywords);
    if (key == "patterns") return readPatterns(value, command);
    if (key == "action") return readAction(value, command);
    if (key == "target") return readTarget(value, command);
    if (key == "risk") return readRisk(value, command, seen.risk);
    return true;  // other members (descriptions, comments) are ignored
  }

  bool read(const object& fields, Command& command) {
    MembersSeen seen;
    for (auto field : fields) {
      if (!readMember(field.key, field.value, command, seen)) return false;
    }
    if (!seen.id) return fail("\"id\" is missing");
    if (!seen.name) return fail("\"name\" is missing");
    if (normalizeChars(command.name).empty()) {
      return fail("\"name\" " + inQuotes(command.name) + " has no letter, digit or CJK character");
    }
    for (const std::string& keyword : command.keywords) {
      NormalizedText normalized = normalizeText(keyword);
      if (normalized.chars.empty()) continue;
      command.keywordFirsts.add(normalized.chars.front());
      command.normalizedKeywords.push_back(std::move(normalized.chars));
    }
    if (!seen.risk) command.risk = defaultRisk(defaultRiskRules(), command.action, command.target);
    command.knownPairs = collectKnownPairs(command);
    command.ownTextHashes = collectOwnTextHashes(command);
    command.thingWords = collectThingWords(command);
    command.operation = namedOperation(command.name);
    command.actionKind = actionKindOf(command.actionValue("type"));
    notePatternEnds(command);
    command.answersQuestions = std::any_of(command.examples.begin(), command.examples.end(), [](const std::string& e) {
      return readQueryForm(e, normalizeChars(e)).question != QuestionKind::None;
    });
    return true;
  }
};

// "commands[3] (id 205)": where a command stands in the text, for error texts.
std::string commandPlace(std::string_view listName, std::size_t index, const element& item) {
  std::string place = std::string(listName) + "[" + std::to_string(index) + "]";
  object fields;
  element idValue;
  int32_t id = 0;
  if (item.get_object().get(fields) == simdjson::SUCCESS && fields["id"].get(idValue) == simdjson::SUCCESS &&
      readCommandId(idValue, id)) {
    place += " (id " + std::to_string(id) + ")";
  }
  return place;
}

// `listName` is "commands" for the member of a corpus object, "" for a bare array.
int32_t readCommands(const array& list, std::string_view listName, ParsedCorpus& out, std::string& error) {
  std::unordered_map<int32_t, std::size_t> firstIndex;
  CommandReader reader{error};
  std::size_t index = 0;
  for (element item : list) {
    object fields;
    if (item.get_object().get(fields) != simdjson::SUCCESS) {
      error = commandPlace(listName, index, item) + ": a command must be a JSON object (got " +
              describeJsonValue(item) + ")";
      return NORVIK_BAD_INPUT;
    }
    auto command = std::make_shared<Command>();
    if (!reader.read(fields, *command)) {
      error = commandPlace(listName, index, item) + ": " + error;
      return NORVIK_BAD_INPUT;
    }
    const auto [earlier, added] = firstIndex.emplace(command->id, index);
    if (!added) {
      error = commandPlace(listName, index, item) + ": the id is already used by " + std::string(listName) + "[" +
              std::to_string(earlier->second) + "]";
      return NORVIK_BAD_INPUT;
    }
    out.commands.push_back(std::move(command));
    ++index;
  }
  return NORVIK_OK;
}

}  // namespace

int32_t parseCorpus(std::string_view json, const Config& base, ParsedCorpus& out, std::string& error) {
  simdjson::dom::parser parser;
  element root;
  if (const int32_t code = parseJsonDocument(json, parser, root, error); code != NORVIK_OK) return code;
  ParsedCorpus parsed;
  parsed.config = base;
  array list;
  if (root.get_array().get(list) == simdjson::SUCCESS) {
    const int32_t code = readCommands(list, "", parsed, error);
    if (code != NORVIK_OK) return code;
    out = std::move(parsed);
    return NORVIK_OK;
  }
  object top;
  if (root.get_object().get(top) != simdjson::SUCCESS) {
    error = "a corpus must be a JSON object or an array of commands (got " + describeJsonValue(root) + ")";
    return NORVIK_BAD_INPUT;
  }
  element configValue;
  if (top["config"].get(configValue) == simdjson::SUCCESS) {
    if (applyConfigObject(configValue, base, parsed.config, error) != NORVIK_OK) {
      error = "\"config\": " + error;
      return NORVIK_BAD_INPUT;
    }
    parsed.hasConfig = true;
  }
  element commandsValue;
  if (top["commands"].get(commandsValue) == simdjson::SUCCESS) {
    if (commandsValue.get_array().get(list) != simdjson::SUCCESS) {
      error = "\"commands\" must be an array of commands (got " + describeJsonValue(commandsValue) + ")";
      return NORVIK_BAD_INPUT;
    }
    const int32_t code = readCommands(list, "commands", parsed, error);
    if (code != NORVIK_OK) return code;
  }
  out = std::move(parsed);
  return NORVIK_OK;
}

}  // namespace norvik
