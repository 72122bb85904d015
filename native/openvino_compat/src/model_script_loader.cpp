#include "model_script_loader.hpp"

#include <fstream>
#include <new>
#include <sstream>
#include <string>
#include <string_view>
#include <system_error>

#include "openvino/core/except.hpp"
#include "simdjson.h"

namespace ov {
namespace genai {
namespace scripted {
namespace {

namespace fs = std::filesystem;
using simdjson::dom::element;
using simdjson::dom::element_type;
using simdjson::dom::object;

[[noreturn]] void fail(const std::string& message) {
  throw ov::Exception(message);
}

void requireDirectory(const fs::path& dir) {
  std::error_code ec;
  const fs::file_status status = fs::status(dir, ec);
  if (status.type() == fs::file_type::not_found) {
    fail("Model directory does not exist: " + dir.u8string());
  }
  if (status.type() == fs::file_type::none || status.type() == fs::file_type::unknown) {
    fail("Cannot access model directory " + dir.u8string() + ": " + ec.message());
  }
  if (!fs::is_directory(status)) {
    fail("Model path is not a directory: " + dir.u8string());
  }
}

std::string readWholeFile(const fs::path& file) {
  std::error_code ec;
  if (!fs::is_regular_file(file, ec)) {
    fail("Scripted model file not found: " + file.u8string());
  }
  std::ifstream in(file, std::ios::binary);
  std::ostringstream contents;
  if (in) contents << in.rdbuf();
  if (!in || in.bad()) {
    fail("Cannot read scripted model file: " + file.u8string());
  }
  return contents.str();
}

// Turns the parsed document into a ModelScript, reporting the first member
// that has the wrong shape.
class ScriptReader {
 public:
  explicit ScriptReader(const fs::path& file) : fileText_(file.u8string()) {}

  ModelScript read(element root) const {
    object top;
    if (root.get_object().get(top) != simdjson::SUCCESS) invalid("the top level must be an object");
    ModelScript script;
    element value;
    if (member(top, "devices", value)) script.devices = readStringArray(value, "\"devices\"");
    if (member(top, "chat_template", value)) script.chatTemplate = readString(value, "\"chat_template\"");
    if (member(top, "rules", value)) script.rules = readRules(value);
    if (top.at_key("default").get(value) == simdjson::SUCCESS) {
      script.defaultReply = readReply(value, "\"default\"");
    }
    if (member(top, "fail_load", value)) script.failLoad = readString(value, "\"fail_load\"");
    if (member(top, "fail_generate", value)) script.failGenerate = readString(value, "\"fail_generate\"");
    if (member(top, "scores_mismatch", value)) script.scoresMismatch = readBool(value, "\"scores_mismatch\"");
    if (member(top, "delay_ms", value)) script.delayMs = readDelay(value, "\"delay_ms\"");
    if (member(top, "delay_ms_per_code_point", value)) {
      script.delayMsPerCodePoint = readDelay(value, "\"delay_ms_per_code_point\"");
    }
    if (member(top, "log", value)) {
      const std::string log = readString(value, "\"log\"");
      if (log.empty()) invalid("\"log\" must not be empty");
      script.log = fs::u8path(log);
    }
    return script;
  }

 private:
  [[noreturn]] void invalid(const std::string& problem) const {
    fail("Invalid scripted model " + fileText_ + ": " + problem);
  }

  // Finds an optional member; null counts as absent.
  static bool member(const object& obj, const char* key, element& value) {
    return obj.at_key(key).get(value) == simdjson::SUCCESS && !value.is_null();
  }

  std::string readString(element value, const std::string& where) const {
    std::string_view text;
    if (value.get_string().get(text) != simdjson::SUCCESS) invalid(where + " must be a string");
    return std::string(text);
  }

  bool readBool(element value, const std::string& where) const {
    bool flag = false;
    if (value.get_bool().get(flag) != simdjson::SUCCESS) invalid(where + " must be true or false");
    return flag;
  }

  // Milliseconds: any JSON number from 0 to kMaxDelayMs, fractions allowed.
  double readDelay(element value, const std::string& where) const {
    double ms = -1;
    if (value.get_double().get(ms) != simdjson::SUCCESS || !(ms >= 0 && ms <= kMaxDelayMs)) {
      invalid(where + " must be a number of milliseconds from 0 to 3600000");
    }
    return ms;
  }

  std::vector<std::string> readStringArray(element value, const std::string& where) const {
    simdjson::dom::array items;
    if (value.get_array().get(items) != simdjson::SUCCESS) invalid(where + " must be an array of strings");
    std::vector<std::string> strings;
    size_t index = 0;
    for (element item : items) {
      strings.push_back(readString(item, where + "[" + std::to_string(index++) + "]"));
    }
    return strings;
  }

  Reply readReply(element value, const std::string& where) const {
    switch (value.type()) {
      case element_type::NULL_VALUE:
        return Reply{};
      case element_type::STRING:
        return Reply{std::vector<std::string>{readString(value, where)}};
      case element_type::ARRAY: {
        std::vector<std::string> alternatives = readStringArray(value, where);
        if (alternatives.empty()) invalid(where + " must not be an empty array");
        return Reply{std::move(alternatives)};
      }
      default:
        invalid(where + " must be a string, an array of strings or null");
    }
  }

  std::vector<Rule> readRules(element value) const {
    simdjson::dom::array items;
    if (value.get_array().get(items) != simdjson::SUCCESS) invalid("\"rules\" must be an array");
    std::vector<Rule> rules;
    size_t index = 0;
    for (element item : items) {
      const std::string where = "\"rules\"[" + std::to_string(index++) + "]";
      rules.push_back(readRule(item, where));
    }
    return rules;
  }

  Rule readRule(element item, const std::string& where) const {
    object rule;
    if (item.get_object().get(rule) != simdjson::SUCCESS) invalid(where + " must be an object");
    element prompt;
    element reply;
    element failure;
    if (rule.at_key("prompt").get(prompt) != simdjson::SUCCESS) invalid(where + " has no \"prompt\"");
    const bool fails = rule.at_key("fail").get(failure) == simdjson::SUCCESS && !failure.is_null();
    const bool replies = rule.at_key("reply").get(reply) == simdjson::SUCCESS;
    if (!replies && !fails) invalid(where + " has no \"reply\"");
    Rule result{readString(prompt, where + ".prompt"), replies ? readReply(reply, where + ".reply") : Reply{}, {}};
    if (fails) result.fail = readString(failure, where + ".fail");
    return result;
  }

  std::string fileText_;
};

}  // namespace

ModelScript loadModelScript(const fs::path& modelDir) {
  requireDirectory(modelDir);
  const fs::path file = modelDir / kModelScriptFileName;
  const simdjson::padded_string json(readWholeFile(file));
  // simdjson reports a failed allocation instead of throwing; the loader throws.
  if (json.data() == nullptr) throw std::bad_alloc();
  simdjson::dom::parser parser;
  element root;
  const simdjson::error_code error = parser.parse(json).get(root);
  if (error == simdjson::MEMALLOC) throw std::bad_alloc();
  if (error != simdjson::SUCCESS) {
    fail("Invalid JSON in scripted model file " + file.u8string() + ": " + simdjson::error_message(error));
  }
  return ScriptReader(file).read(root);
}

}  // namespace scripted
}  // namespace genai
}  // namespace ov
