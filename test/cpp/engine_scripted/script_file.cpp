#include "script_file.h"

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <random>
#include <sstream>

#include "norvik.h"
#include "simdjson.h"

namespace fs = std::filesystem;

namespace {

std::atomic<bool> gScriptLoaded{false};

std::string jsonString(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

LogLine parseLine(const std::string& line) {
  LogLine parsed;
  simdjson::dom::parser parser;
  simdjson::dom::object object;
  if (parser.parse(line).get_object().get(object) != simdjson::SUCCESS) {
    ADD_FAILURE() << "log line is not a JSON object: " << line;
    return parsed;
  }
  for (auto member : object) {
    LogLine::Value value;
    const simdjson::dom::element element = member.value;
    std::string_view text;
    if (element.is_null()) {
      value.kind = LogLine::Value::Kind::kNull;
    } else if (element.get_bool().get(value.boolean) == simdjson::SUCCESS) {
      value.kind = LogLine::Value::Kind::kBool;
    } else if (element.get_double().get(value.number) == simdjson::SUCCESS) {
      value.kind = LogLine::Value::Kind::kNumber;
    } else if (element.get_string().get(text) == simdjson::SUCCESS) {
      value.kind = LogLine::Value::Kind::kString;
      value.text = std::string(text);
    }
    parsed.keys.emplace_back(member.key);
    parsed.values[std::string(member.key)] = value;
  }
  return parsed;
}

}  // namespace

const LogLine::Value& LogLine::at(const std::string& key) const {
  static const Value missing;
  const auto found = values.find(key);
  if (found == values.end()) {
    ADD_FAILURE() << "log line has no \"" << key << "\"";
    return missing;
  }
  return found->second;
}

std::string LogLine::text(const std::string& key) const {
  EXPECT_EQ(at(key).kind, Value::Kind::kString) << key;
  return at(key).text;
}

double LogLine::number(const std::string& key) const {
  EXPECT_EQ(at(key).kind, Value::Kind::kNumber) << key;
  return at(key).number;
}

bool LogLine::boolean(const std::string& key) const {
  EXPECT_EQ(at(key).kind, Value::Kind::kBool) << key;
  return at(key).boolean;
}

bool LogLine::isNull(const std::string& key) const {
  return at(key).kind == Value::Kind::kNull;
}

fs::path makeTempDir() {
  static std::mt19937_64 random{std::random_device{}()};
  for (;;) {
    const fs::path dir = fs::temp_directory_path() / ("deskpet-scripted-" + std::to_string(random()));
    if (fs::create_directory(dir)) return dir;
  }
}

void writeFile(const fs::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
  ASSERT_TRUE(out.good()) << path;
}

std::string toHex(const std::string& bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (unsigned char c : bytes) {
    hex += kDigits[c >> 4];
    hex += kDigits[c & 0x0f];
  }
  return hex;
}

bool anyScriptLoaded() {
  return gScriptLoaded;
}

ScriptFile::ScriptFile(const std::string& replies)
    : dir_(makeTempDir()), path_(dir_ / "script.json"), logPath_(dir_ / "calls.jsonl") {
  writeFile(path_, "{\"log\":" + jsonString(logPath_.u8string()) + ",\"replies\":" + replies + "}");
}

ScriptFile::~ScriptFile() {
  std::error_code ec;
  fs::remove_all(dir_, ec);
}

bool ScriptFile::load() const {
  gScriptLoaded = true;
  return Norvik_InitFromFile(pathText().c_str()) == 0;
}

std::vector<LogLine> ScriptFile::readLog() const {
  std::vector<LogLine> lines;
  std::ifstream in(logPath_, std::ios::binary);
  std::string line;
  while (std::getline(in, line)) lines.push_back(parseLine(line));
  return lines;
}
