// The engine's routing configuration: written as JSON text by a fixed-key
// writer (updateConfig) and read back by a fixed-key scanner (getConfig).
#pragma once

#include <napi.h>

#include <string>

#include "json_cursor.h"

namespace intent_bridge {

// {"localThreshold":..,"verbose":..,"weights":{..}} with each member present
// only when the config holds it with the right type (inherited properties
// included). Numbers are written in fixed notation with six decimals.
std::string buildConfigJson(Napi::Object config);

// The configuration object read from the engine's reply: localThreshold,
// verbose and weights as the reply holds them, in the reply's order.
napi_value parseConfigReply(napi_env env, EngineReply reply);

// Appends `value` in fixed notation with exactly six decimals, independent of
// the C locale (0.6 -> 0.600000, -0.0 -> -0.000000).
void appendFixedSix(std::string& text, double value);

}  // namespace intent_bridge
