#pragma once

#include "deskpet/json_writer.h"
#include "openvino/core/any.hpp"

namespace ov {
namespace genai {
namespace scripted {

using deskpet::JsonWriter;

// The name the call log uses for the stored type of a value: "size_t", "int",
// "int64_t", "float", "double", "bool", "string" or "other".
const char* anyTypeName(const ov::Any& value);

// Writes {"type":T,"value":V}. Integers and bools are written as JSON numbers
// and literals, floats and doubles as the shortest decimal that reads back as
// the same float or double (non-finite values as null), strings as JSON
// strings, and values of any other type as null.
void writeTypedAny(JsonWriter& json, const ov::Any& value);

// Writes the map as an object of typed values, in map order.
void writeTypedAnyMap(JsonWriter& json, const ov::AnyMap& map);

}  // namespace scripted
}  // namespace genai
}  // namespace ov
