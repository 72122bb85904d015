// A small streaming JSON writer for the engine's replies. Strings are escaped
// (quotes, backslash, control bytes) and invalid UTF-8 is replaced with U+FFFD,
// so every reply is valid JSON whatever bytes a corpus or a query held.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace norvik {

class JsonWriter {
 public:
  void beginObject();
  void endObject();
  void beginArray();
  void endArray();
  void key(std::string_view name);
  void string(std::string_view text);
  void boolean(bool value);
  void null();
  void integer(long long value);
  // Fixed notation with six decimals; non-finite values are written as 0.
  void numberFixed(double value);
  // Shortest text that reads back as the same double; non-finite values as 0.
  void numberShortest(double value);

  std::string take() { return std::move(out_); }
  const std::string& text() const { return out_; }

 private:
  void beforeValue();
  void appendEscaped(std::string_view text);

  std::string out_;
  std::vector<bool> needComma_;  // one entry per open container
  bool afterKey_ = false;
};

}  // namespace norvik
