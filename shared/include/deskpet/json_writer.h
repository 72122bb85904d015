// A streaming writer of compact JSON text. Strings are escaped so that the
// result always parses (see json_escape.h); keys are escaped like strings.
#pragma once

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>

#include "deskpet/fixed_decimals.h"
#include "deskpet/json_escape.h"

namespace deskpet {

class JsonWriter {
 public:
  explicit JsonWriter(ControlEscapes escapes = ControlEscapes::kShortForms) : escapes_(escapes) {}
  // Writes into `buffer`, emptied first: a buffer kept from an earlier text
  // keeps its capacity, so that a steady stream of replies allocates nothing.
  explicit JsonWriter(std::string buffer, ControlEscapes escapes = ControlEscapes::kShortForms)
      : escapes_(escapes), out_(std::move(buffer)) {
    out_.clear();
  }

  JsonWriter& beginObject() { return open('{'); }
  JsonWriter& endObject() { return close('}'); }
  JsonWriter& beginArray() { return open('['); }
  JsonWriter& endArray() { return close(']'); }

  JsonWriter& key(std::string_view name) {
    beforeValue();
    appendEscaped(name);
    put(':');
    afterKey_ = true;
    return *this;
  }

  JsonWriter& string(std::string_view text) {
    beforeValue();
    appendEscaped(text);
    return *this;
  }

  JsonWriter& boolean(bool value) { return number(value ? "true" : "false"); }
  JsonWriter& null() { return number("null"); }
  JsonWriter& integer(long long value) {
    char buffer[24];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value);
    return number(std::string_view(buffer, static_cast<std::size_t>(end.ptr - buffer)));
  }

  // Text that is already a JSON number (or literal), written as it is.
  JsonWriter& number(std::string_view text) {
    beforeValue();
    put(text.data(), text.size());
    return *this;
  }

  // Fixed notation with six decimals; a non-finite value is written as 0.
  JsonWriter& numberFixed(double value) {
    beforeValue();
    char* start = room(fixedSixBound(value));  // at most 320 bytes
    staged_ += static_cast<std::size_t>(writeFixedSix(start, value) - start);
    return *this;
  }

  // The shortest text that reads back as the same double; a non-finite value as 0.
  JsonWriter& numberShortest(double value) {
    char buffer[64];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, std::isfinite(value) ? value : 0.0);
    return number(std::string_view(buffer, static_cast<std::size_t>(end.ptr - buffer)));
  }

  const std::string& text() const {
    flush();
    return out_;
  }
  std::string take() {
    flush();
    return std::move(out_);
  }

 private:
  JsonWriter& open(char bracket) {
    beforeValue();
    put(bracket);
    hasValue_ <<= 1;
    ++depth_;
    return *this;
  }

  JsonWriter& close(char bracket) {
    put(bracket);
    hasValue_ >>= 1;
    --depth_;
    return *this;
  }

  // A comma before every value of a container but the first; none after a key.
  void beforeValue() {
    if (afterKey_) {
      afterKey_ = false;
      return;
    }
    if (depth_ == 0) return;
    if (hasValue_ & 1) put(',');
    hasValue_ |= 1;
  }

  // A string with its quotes, escaped in the staging area when it surely fits
  // there, else straight at the end of the text.
  void appendEscaped(std::string_view text) {
    const std::size_t bound = jsonStringBound(text.size());
    if (bound <= kStageSize) {
      char* start = room(bound);
      staged_ += static_cast<std::size_t>(writeJsonString(start, text, escapes_) - start);
      return;
    }
    flush();
    const std::size_t size = out_.size();
    out_.resize(size + bound);
    char* start = &out_[size];
    out_.resize(size + static_cast<std::size_t>(writeJsonString(start, text, escapes_) - start));
  }

  // The staging area's free space, at least `count` bytes (at most kStageSize).
  char* room(std::size_t count) {
    if (count > kStageSize - staged_) flush();
    return stage_ + staged_;
  }

  // Bytes go to a small staging area first and reach the string in blocks:
  // appending to a std::string byte by byte is a call each time.
  void put(char byte) {
    if (staged_ == kStageSize) flush();
    stage_[staged_++] = byte;
  }

  void put(const char* bytes, std::size_t count) {
    if (count == 0) return;
    if (count > kStageSize - staged_) {
      flush();
      if (count > kStageSize) {
        out_.append(bytes, count);
        return;
      }
    }
    std::memcpy(stage_ + staged_, bytes, count);
    staged_ += count;
  }

  void flush() const {
    out_.append(stage_, staged_);
    staged_ = 0;
  }

  static constexpr std::size_t kStageSize = 1024;
  static_assert(kStageSize >= 320, "a number with six decimals fits the staging area");

  ControlEscapes escapes_;
  // What text() and take() give: the staged bytes are moved in first.
  mutable std::string out_;
  mutable char stage_[kStageSize];
  mutable std::size_t staged_ = 0;
  // One bit per open container, the innermost lowest: whether a value was
  // written in it. Good for 64 levels; every text written here nests a few.
  std::uint64_t hasValue_ = 0;
  int depth_ = 0;
  bool afterKey_ = false;
};

}  // namespace deskpet
