// A small streaming JSON writer for the engine's replies. Strings are escaped
// (quotes, backslash, control bytes) and invalid UTF-8 is replaced with U+FFFD,
// so every reply is valid JSON whatever bytes a corpus or a query held.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

namespace norvik {

class JsonWriter {
 public:
  JsonWriter() = default;
  // Writes into `buffer`, emptied first: a buffer kept from an earlier reply
  // keeps its capacity, so that a steady stream of replies allocates nothing.
  explicit JsonWriter(std::string buffer) : out_(std::move(buffer)) { out_.clear(); }

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

  void open(char bracket);
  void close(char bracket);

  std::string out_;
  // One bit per open container, the innermost lowest: whether a value was
  // written in it. The engine's replies nest a few levels deep; past 64 the
  // deeper containers share the 64th bit.
  std::uint64_t needComma_ = 0;
  int depth_ = 0;
  bool afterKey_ = false;
};

}  // namespace norvik
