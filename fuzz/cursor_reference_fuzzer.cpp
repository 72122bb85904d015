// The cursor's fast readings against the reference readings over arbitrary
// bytes: from each of the first offsets of the text, readNumber must give
// exactly (to the bit) what strtod gives on a NUL-terminated copy, and
// readString / readStringView exactly the bytes of a plain byte-by-byte
// unescaping, ending at the same place. The text is a heap block of exactly
// its length, so any read past it is caught.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "fuzz_check.h"
#include "json_cursor.h"
#include "json_number.h"

namespace {

using deskpet_fuzz::require;
using intent_bridge::JsonCursor;

void appendUtf8(std::string& out, unsigned long cp) {
  const auto byte = [](unsigned long value) { return static_cast<char>(static_cast<unsigned char>(value & 0xFFu)); };
  if (cp < 0x80) {
    out += byte(cp);
  } else if (cp < 0x800) {
    out += byte(0xC0 | (cp >> 6));
    out += byte(0x80 | (cp & 0x3F));
  } else {
    out += byte(0xE0 | (cp >> 12));
    out += byte(0x80 | ((cp >> 6) & 0x3F));
    out += byte(0x80 | (cp & 0x3F));
  }
}

// The string reading as first written: one byte at a time. Returns where it stopped.
const char* referenceString(const char* p, const char* end, std::string& out) {
  while (p < end && (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r')) ++p;
  if (p == end || *p != '"') return p;
  ++p;
  while (p < end) {
    const char c = *p;
    if (c == '"') return p + 1;
    if (c != '\\' || end - p < 2) {
      out += c;
      ++p;
      continue;
    }
    ++p;
    const char escape = *p;
    if (escape == 'u') {
      ++p;
      if (end - p < 4) continue;
      char digits[5];
      std::memcpy(digits, p, 4);
      digits[4] = '\0';
      appendUtf8(out, std::strtoul(digits, nullptr, 16));
      p += 4;
      continue;
    }
    out += escape == 'n' ? '\n' : escape == 'r' ? '\r' : escape == 't' ? '\t' : escape;
    ++p;
  }
  return p;
}

void checkFrom(const char* start, const char* end) {
  JsonCursor numbers(start, end);
  numbers.skipWhitespace();
  const char* numberStart = numbers.position();
  const double read = numbers.readNumber();
  const double reference = intent_bridge::strtodOnCopy(numberStart, end);
  require(std::memcmp(&read, &reference, sizeof read) == 0, "readNumber equals strtod on a copy");

  std::string expected;
  const char* expectedStop = referenceString(start, end, expected);
  JsonCursor strings(start, end);
  require(strings.readString() == expected, "readString equals the byte-by-byte reading");
  require(strings.position() == expectedStop, "readString stops where the byte-by-byte reading stops");
  intent_bridge::TextBuffer scratch;
  const std::string_view leftOver = "left over";
  scratch.assign(leftOver.data(), leftOver.data() + leftOver.size());
  JsonCursor views(start, end);
  require(views.readStringView(scratch) == expected, "readStringView equals the byte-by-byte reading");
  require(views.position() == expectedStop, "readStringView stops where the byte-by-byte reading stops");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::unique_ptr<char[]> exact(new char[size]);
  if (size > 0) std::memcpy(exact.get(), data, size);
  const char* begin = exact.get();
  for (std::size_t offset = 0; offset <= size && offset < 32; ++offset) checkFrom(begin + offset, begin + size);
  return 0;
}
