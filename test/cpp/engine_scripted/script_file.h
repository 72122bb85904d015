// Test support: a script in a fresh temporary folder, loaded into the engine,
// and its call log read back.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

// One parsed log line: its keys in order and their values.
struct LogLine {
  struct Value {
    enum class Kind { kNull, kBool, kNumber, kString, kOther } kind = Kind::kOther;
    bool boolean = false;
    double number = 0;
    std::string text;
  };
  std::vector<std::string> keys;
  std::map<std::string, Value> values;

  const Value& at(const std::string& key) const;
  std::string text(const std::string& key) const;
  double number(const std::string& key) const;
  bool boolean(const std::string& key) const;
  bool isNull(const std::string& key) const;
};

class ScriptFile {
 public:
  // `replies` is the JSON text of the script's "replies" object.
  explicit ScriptFile(const std::string& replies);
  ~ScriptFile();
  ScriptFile(const ScriptFile&) = delete;
  ScriptFile& operator=(const ScriptFile&) = delete;

  const std::filesystem::path& dir() const { return dir_; }
  const std::filesystem::path& path() const { return path_; }
  const std::filesystem::path& logPath() const { return logPath_; }
  std::string pathText() const { return path_.u8string(); }

  // Norvik_InitFromFile on this script; true when it returned 0.
  bool load() const;

  std::vector<LogLine> readLog() const;

 private:
  std::filesystem::path dir_;
  std::filesystem::path path_;
  std::filesystem::path logPath_;
};

// A fresh empty temporary folder, removed by the caller.
std::filesystem::path makeTempDir();
void writeFile(const std::filesystem::path& path, const std::string& text);
std::string toHex(const std::string& bytes);

// Whether any test in this process has loaded a script.
bool anyScriptLoaded();
