#include "log_events.hpp"

#include "any_encoding.hpp"

namespace ov {
namespace genai {
namespace scripted {

std::string lowerHex(const std::string& text) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(text.size() * 2);
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    hex += kHex[byte >> 4];
    hex += kHex[byte & 0x0F];
  }
  return hex;
}

namespace {

// The call log writes every control byte as \u00XX.
JsonWriter logLineWriter() {
  return JsonWriter(deskpet::ControlEscapes::kUnicodeOnly);
}

}  // namespace

std::string loadEvent(const std::filesystem::path& cwd, const std::filesystem::path& modelsPath,
                      const std::string& device, const ov::AnyMap& properties) {
  JsonWriter json = logLineWriter();
  json.beginObject();
  json.key("event").string("load");
  json.key("cwd").string(cwd.u8string());
  json.key("models_path").string(modelsPath.u8string());
  json.key("device").string(device);
  json.key("properties");
  writeTypedAnyMap(json, properties);
  json.endObject();
  return json.text();
}

std::string generateEvent(const std::string& prompt, const char* inputKind, const ov::AnyMap& settings) {
  JsonWriter json = logLineWriter();
  json.beginObject();
  json.key("event").string("generate");
  json.key("prompt").string(prompt);
  json.key("prompt_hex").string(lowerHex(prompt));
  json.key("input").string(inputKind);
  json.key("settings");
  writeTypedAnyMap(json, settings);
  json.endObject();
  return json.text();
}

std::string destroyEvent() {
  return "{\"event\":\"destroy\"}";
}

}  // namespace scripted
}  // namespace genai
}  // namespace ov
