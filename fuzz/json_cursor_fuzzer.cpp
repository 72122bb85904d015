// The lenient JSON cursor over arbitrary bytes. The input's first bytes choose a
// sequence of cursor operations, the rest is the reply text, held in a heap
// buffer of exactly its length (no terminating NUL), so that AddressSanitizer
// stops any read at or past the end. Checked on every step: the position only
// moves forward and never leaves the text, a taken literal consumed exactly its
// bytes, a string never yields more bytes than it consumed. Then the text is
// escaped as JSON and read back, which must give the original bytes. A member
// walk that guesses keys must see what the plain walk sees.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "json_cursor.h"

namespace {

using intent_bridge::JsonCursor;

void require(bool condition) {
  if (!condition) std::abort();
}

class CheckedCursor {
 public:
  CheckedCursor(const char* begin, const char* end) : cursor_(begin, end), begin_(begin), end_(end) {}

  JsonCursor& operator*() { return cursor_; }
  JsonCursor* operator->() { return &cursor_; }

  // After each operation: forward only, inside the text.
  const char* checkedPosition(const char* before) const {
    const char* now = cursor_.position();
    require(now >= before && now >= begin_ && now <= end_);
    return now;
  }

 private:
  JsonCursor cursor_;
  const char* begin_;
  const char* end_;
};

const char* const kLiterals[] = {"null", "true", "false"};

void readMembers(CheckedCursor& cursor, int depth);

// One value read the way a builder reads the member named `key`.
void readValueForKey(CheckedCursor& cursor, const std::string& key, int depth) {
  const char* before = cursor->position();
  const unsigned char kind = key.empty() ? 0 : static_cast<unsigned char>(key[0]) % 6;
  switch (kind) {
    case 0: {
      const std::string text = cursor->readString();
      require(text.size() <= static_cast<std::size_t>(cursor.checkedPosition(before) - before));
      break;
    }
    case 1:
      cursor->readNumber();
      break;
    case 2:
      // Nested objects the way the route builder reads scores or matchedCommand.
      if (depth < 3 && cursor->enterObject()) readMembers(cursor, depth + 1);
      break;
    case 3:
      cursor->takeLiteral(kLiterals[key.size() % 3]);
      break;
    default:
      cursor->skipValue();
      break;
  }
  cursor.checkedPosition(before);
}

void readMembers(CheckedCursor& cursor, int depth) {
  const char* before = cursor->position();
  cursor->walkMembers([&](const std::string& key) { readValueForKey(cursor, key, depth); });
  cursor.checkedPosition(before);
}

void runOperation(CheckedCursor& cursor, std::uint8_t op) {
  const char* before = cursor->position();
  switch (op % 7) {
    case 0:
      cursor->skipWhitespace();
      break;
    case 1: {
      const std::string text = cursor->readString();
      require(text.size() <= static_cast<std::size_t>(cursor.checkedPosition(before) - before));
      break;
    }
    case 2:
      cursor->readNumber();
      break;
    case 3: {
      const char* word = kLiterals[(op / 7) % 3];
      const bool taken = cursor->takeLiteral(word);
      cursor->skipWhitespace();
      if (taken) require(cursor.checkedPosition(before) - before >= static_cast<std::ptrdiff_t>(std::strlen(word)));
      break;
    }
    case 4:
      cursor->skipValue();
      break;
    case 5:
      cursor->enterObject();
      break;
    default:
      readMembers(cursor, 0);
      break;
  }
  cursor.checkedPosition(before);
}

// The text as a JSON string literal: quote, backslash and control bytes escaped,
// every other byte as it is.
std::string escapedAsJson(const std::string& text) {
  static const char kHex[] = "0123456789abcdef";
  std::string out = "\"";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (c == '\n') {
      out += "\\n";
    } else if (byte < 0x20) {
      out += "\\u00";
      out += kHex[byte >> 4];
      out += kHex[byte & 0xF];
    } else {
      out += c;
    }
  }
  return out + "\"";
}

void checkStringRoundTrip(const std::string& text) {
  const std::string literal = escapedAsJson(text);
  const std::unique_ptr<char[]> exact(new char[literal.size()]);
  std::memcpy(exact.get(), literal.data(), literal.size());
  JsonCursor cursor(exact.get(), exact.get() + literal.size());
  require(cursor.readString() == text);
  require(cursor.atEnd());
}

// One member walk over the text, every value skipped: the keys seen and the
// position after each member. With `guessed`, each key is first guessed as
// the key before it (when it holds no quote or backslash) or a fixed name.
std::vector<std::pair<std::string, const char*>> walkKeys(const char* begin, const char* end, bool guessed) {
  std::vector<std::pair<std::string, const char*>> seen;
  JsonCursor cursor(begin, end);
  if (!cursor.enterObject()) return seen;
  static const char* const kGuesses[] = {"target", "a", "semantic", ""};
  std::string previous;
  std::string_view guess = kGuesses[0];
  const auto onMember = [&](std::string_view key) {
    cursor.skipValue();
    seen.emplace_back(std::string(key), cursor.position());
    previous.assign(key);
    const bool usable = previous.find_first_of("\"\\") == std::string::npos;
    guess = usable && seen.size() % 2 == 0 ? std::string_view(previous) : kGuesses[seen.size() % 4];
  };
  if (guessed) {
    cursor.walkMembers(guess, onMember);
  } else {
    cursor.walkMembers(onMember);
  }
  seen.emplace_back("", cursor.position());
  return seen;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const std::vector<std::uint8_t> operations = input.ConsumeBytes<std::uint8_t>(input.ConsumeIntegralInRange(0, 12));
  const std::string text = input.ConsumeRemainingBytesAsString();

  // Exactly the text's bytes: reading at end_ would be an overflow.
  const std::unique_ptr<char[]> exact(new char[text.size()]);
  std::memcpy(exact.get(), text.data(), text.size());
  const char* begin = exact.get();
  const char* end = begin + text.size();

  CheckedCursor cursor(begin, end);
  for (const std::uint8_t op : operations) runOperation(cursor, op);
  // Whatever the operations left, a member walk from there always finishes.
  readMembers(cursor, 0);

  // A guessed key is always the key the plain walk reads.
  require(walkKeys(begin, end, true) == walkKeys(begin, end, false));

  checkStringRoundTrip(text);
  return 0;
}
