#include "scripted_model.hpp"

#include <algorithm>
#include <chrono>
#include <system_error>
#include <thread>
#include <vector>

#include "chat_template.hpp"
#include "log_events.hpp"
#include "model_script_loader.hpp"
#include "deskpet/utf8.h"

namespace ov {
namespace genai {
namespace scripted {
namespace {

namespace fs = std::filesystem;

fs::path currentDirectoryOrEmpty() {
  std::error_code ec;
  fs::path cwd = fs::current_path(ec);
  return ec ? fs::path() : cwd;
}

// A relative log path is taken relative to the model directory as given, then
// made absolute against the working directory in force now, so that a later
// change of working directory does not move the log.
std::optional<CallLog> openCallLog(const ModelScript& script, const fs::path& modelsPath) {
  if (!script.log) return std::nullopt;
  std::error_code ec;
  const fs::path file = fs::absolute(modelsPath / *script.log, ec);
  if (ec) {
    throw ov::Exception("Cannot resolve the scripted model's log path " + script.log->u8string() + ": " + ec.message());
  }
  return CallLog(file.lexically_normal());
}

std::mt19937_64 seededGenerator() {
  std::random_device device;
  const auto now = static_cast<std::uint64_t>(std::chrono::high_resolution_clock::now().time_since_epoch().count());
  std::seed_seq seed{device(), device(), static_cast<std::uint32_t>(now), static_cast<std::uint32_t>(now >> 32)};
  return std::mt19937_64(seed);
}

std::string joined(const std::vector<std::string>& names) {
  std::string text;
  for (const auto& name : names) {
    if (!text.empty()) text += ", ";
    text += name;
  }
  return text;
}

// The pause of a slow scripted model: a fixed part per call and a part per code
// point of the texts it returns, like a model that writes token by token.
void pauseLikeAModel(const ModelScript& script, const std::vector<std::string>& texts) {
  if (script.delayMs == 0 && script.delayMsPerCodePoint == 0) return;
  size_t codePoints = 0;
  for (const std::string& text : texts) codePoints += deskpet::utf8CodePointCount(text);
  const double ms =
      std::min(kMaxDelayMs, script.delayMs + script.delayMsPerCodePoint * static_cast<double>(codePoints));
  std::this_thread::sleep_for(std::chrono::duration<double, std::milli>(ms));
}

}  // namespace

ScriptedModel::ScriptedModel(const fs::path& modelsPath, const std::string& device, const ov::AnyMap& properties)
    : rng_(seededGenerator()) {
  const fs::path cwd = currentDirectoryOrEmpty();
  script_ = loadModelScript(modelsPath);
  log_ = openCallLog(script_, modelsPath);
  record(loadEvent(cwd, modelsPath, device, properties));
  requireSupportedDevice(modelsPath, device);
  if (script_.failLoad) throw ov::Exception(*script_.failLoad);
}

ScriptedModel::~ScriptedModel() {
  try {
    record(destroyEvent());
  } catch (...) {
    // A destructor reports nothing; the missing line is the only trace.
  }
}

void ScriptedModel::requireSupportedDevice(const fs::path& modelsPath, const std::string& device) const {
  const auto& devices = script_.devices;
  if (std::find(devices.begin(), devices.end(), device) != devices.end()) return;
  throw ov::Exception("Device \"" + device + "\" is not supported by the model in " + modelsPath.u8string() +
                      " (supported devices: " + joined(devices) + ")");
}

void ScriptedModel::record(const std::string& line) const {
  if (log_) log_->append(line);
}

const Reply& ScriptedModel::replyFor(const std::string& modelText) const {
  for (const Rule& rule : script_.rules) {
    if (rule.prompt != modelText) continue;
    if (rule.fail) throw ov::Exception(*rule.fail);
    return rule.reply;
  }
  return script_.defaultReply;
}

std::optional<std::string> ScriptedModel::answer(const std::string& prompt, const GenerationOptions& options) {
  const std::string modelText = options.applyChatTemplate ? applyChatTemplate(script_.chatTemplate, prompt) : prompt;
  const Reply& reply = replyFor(modelText);
  if (!reply.alternatives) return std::nullopt;

  const std::vector<std::string>& alternatives = *reply.alternatives;
  size_t choice = 0;
  if (options.doSample) {
    std::uniform_int_distribution<size_t> pick(0, alternatives.size() - 1);
    choice = pick(rng_);
  }
  std::string text = alternatives[choice];
  if (options.maxNewTokens) text.resize(deskpet::utf8PrefixBytes(text, *options.maxNewTokens));
  return text;
}

DecodedResults ScriptedModel::generate(const StringInputs& inputs, const ov::AnyMap& config) {
  const bool single = std::holds_alternative<std::string>(inputs);
  const std::vector<std::string> prompts =
      single ? std::vector<std::string>{std::get<std::string>(inputs)} : std::get<std::vector<std::string>>(inputs);
  if (prompts.empty()) throw ov::Exception("LLMPipeline::generate: the list of prompts is empty");

  for (const std::string& prompt : prompts) record(generateEvent(prompt, single ? "string" : "list", config));
  const GenerationOptions options = readGenerationOptions(config);
  if (script_.failGenerate) throw ov::Exception(*script_.failGenerate);

  DecodedResults results;
  for (const std::string& prompt : prompts) {
    if (std::optional<std::string> text = answer(prompt, options)) {
      results.texts.push_back(std::move(*text));
      results.scores.push_back(0.0f);
    }
  }
  pauseLikeAModel(script_, results.texts);
  if (script_.scoresMismatch) {
    results.scores.clear();
    if (results.texts.empty()) results.texts.emplace_back();
  }
  return results;
}

}  // namespace scripted
}  // namespace genai
}  // namespace ov
