// Lenient forward-only reader over the JSON text that an engine call wrote into
// a reply buffer. No operation fails or throws: malformed or truncated text
// yields empty strings, zeros and missing members. Nothing is ever read at or
// beyond the end of the reply.
//
// Plain C++ (no Node-API) so that it can be unit-tested on its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

#include "byte_compare.h"
#include "json_number.h"
#include "text_buffer.h"

namespace intent_bridge {

// The text of one engine reply: its first byte and its length in bytes, not
// counting the NUL the engine writes after it.
struct EngineReply {
  const char* begin;
  std::size_t length;
};

// Makes the reply over the first `reportedLength` bytes of a buffer of
// `capacity` bytes. The engine reports the length itself; a length that does
// not leave room for the terminating NUL inside the buffer is clamped to
// capacity - 1 so that the reader never leaves the buffer.
EngineReply clampedReply(const char* buffer, std::size_t capacity, std::uint32_t reportedLength);

class JsonCursor {
 public:
  explicit JsonCursor(EngineReply reply) : position_(reply.begin), end_(reply.begin + reply.length) {}
  JsonCursor(const char* position, const char* end) : position_(position), end_(end) {}

  const char* position() const { return position_; }
  const char* end() const { return end_; }
  bool atEnd() const { return position_ >= end_; }
  // The byte at the position; NUL at end (the byte is not read there).
  char peek() const { return atEnd() ? '\0' : *position_; }
  // Consumes one byte unless at end.
  void advance() {
    if (!atEnd()) ++position_;
  }

  void skipWhitespace() {
    // Engine replies hold no whitespace between tokens: one test passes them.
    if (!atEnd() && static_cast<unsigned char>(*position_) > ' ') return;
    skipWhitespaceRun();
  }
  // One quoted string, unescaped to UTF-8 bytes; empty (and nothing but
  // whitespace consumed) when no quote stands at the position.
  std::string readString();
  // The same string without a copy when it holds no escape: a view of the
  // reply's own bytes. A string with escapes is unescaped into `scratch`
  // (which holds short strings without allocating), and the view is of
  // `scratch`. The view lives as long as the reply and scratch stay untouched.
  std::string_view readStringView(TextBuffer& scratch);
  // The number span at the position, converted as strtod does; 0 when nothing
  // convertible stands there.
  double readNumber() {
    skipWhitespace();
    // strtod may read further than the scanned span (hexadecimal and infinity
    // forms); the value is read without going past the reply.
    const char* const start = position_;
    return scanNumber(start, end_, position_);
  }
  // Consumes `word` when its bytes stand at the position.
  bool takeLiteral(std::string_view word);
  // Passes over one value of any kind.
  void skipValue();
  // Consumes an opening brace when one stands at the position.
  bool enterObject();

  // Walks the members of an object whose opening brace has been consumed, up
  // to and including its closing brace, calling onMember(key) for each member
  // with the position on the member's value. The handler reads the value or
  // calls skipValue. A member that consumed nothing at all (for instance a
  // stray ']', which is neither a key nor a value skipValue passes) has one
  // byte consumed, so the walk always makes progress. A handler that takes
  // the key as a std::string_view gets it without a copy (valid during the
  // call); one that takes a std::string gets a copy.
  template <typename OnMember>
  void walkMembers(OnMember&& onMember) {
    walk(nullptr, onMember);
  }

  // The same walk with a guess at each key: where the bytes at the position
  // are `expected` between two quotes, that is the key readString reads, and
  // the key is taken without scanning for its end. `expected` must hold no
  // quote and no backslash (its bytes then read as themselves). The handler
  // may set `expected` for the next member.
  template <typename OnMember>
  void walkMembers(const std::string_view& expected, OnMember&& onMember) {
    walk(&expected, onMember);
  }

 private:
  template <typename OnMember>
  void walk(const std::string_view* expected, OnMember& onMember) {
    TextBuffer keyScratch;
    while (!atEnd()) {
      skipWhitespace();
      if (atEnd()) return;
      const char c = *position_;
      if (c == '}') {
        ++position_;
        return;
      }
      if (c == ',') {
        ++position_;
        // A key's quote right after the comma (engine replies) is the next
        // member at once; anything else goes round the loop as before.
        if (atEnd() || *position_ != '"') continue;
      }
      const char* const memberStart = position_;
      const std::string_view key =
          expected != nullptr && takeQuoted(*expected) ? *expected : readStringView(keyScratch);
      // The colon stands right after the key in engine replies: one test.
      if (!atEnd() && *position_ == ':') {
        ++position_;
      } else {
        skipWhitespace();
        if (peek() == ':') ++position_;
      }
      if constexpr (std::is_invocable_v<OnMember&, std::string_view>) {
        onMember(key);
      } else {
        onMember(std::string(key));
      }
      if (position_ == memberStart) ++position_;
    }
  }

  // Consumes `text` between two quotes when exactly those bytes stand at the
  // position.
  bool takeQuoted(std::string_view text) {
    const std::size_t size = text.size();
    if (static_cast<std::size_t>(end_ - position_) < size + 2 || position_[0] != '"' || position_[size + 1] != '"' ||
        !sameBytes(position_ + 1, text.data(), size)) {
      return false;
    }
    position_ += size + 2;
    return true;
  }
  void skipWhitespaceRun();
  void skipBalanced(char open, char close);
  void skipBareValue();
  void unescapeInto(TextBuffer& out);
  void appendEscapedCodePoint(TextBuffer& out);

  const char* position_;
  const char* end_;
};

}  // namespace intent_bridge
