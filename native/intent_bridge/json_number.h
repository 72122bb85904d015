// The value of a number in an engine reply, as the C library's strtod reads it
// from the number's first byte (with '.' as the decimal point), without
// reading at or past the end of the reply.
//
// Plain C++ (no Node-API) so that it can be unit-tested and fuzzed on its own.
#pragma once

namespace intent_bridge {

// `start` is the number's first byte, [start, spanEnd) the span the reader
// scanned (sign, digits, fraction, exponent) and `end` the end of the reply.
// Decimal spans, the engine's only form, are converted in place by
// std::from_chars, which rounds exactly as strtod does; every other case (a
// leading '+', hexadecimal, infinity and NaN forms, a span strtod would read
// past, values out of range) goes to strtodOnCopy.
double numberValue(const char* start, const char* spanEnd, const char* end);

// Scans the number span at `start` as the cursor's readNumber does (an
// optional sign, digits, a '.' and digits, an exponent letter with an
// optional sign and digits; no part needs a digit), sets `spanEnd` to its end
// and returns numberValue(start, spanEnd, end), in the same pass where it can:
// a decimal of at most 19 digits whose digits make at most 2^53 and whose
// power of ten is at most 22 in size is one exact multiplication or division.
double scanNumber(const char* start, const char* end, const char*& spanEnd);

// strtod applied to a NUL-terminated copy of every byte from `start` that it
// could accept before `end`: the reference the fast path must equal.
double strtodOnCopy(const char* start, const char* end);

}  // namespace intent_bridge
