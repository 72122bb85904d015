#include "openvino/genai/decoded_results.hpp"

#include "openvino/core/except.hpp"

namespace ov {
namespace genai {

DecodedResults::operator std::string() const {
  if (scores.size() != texts.size()) {
    throw ov::Exception("The number of scores and texts doesn't match in DecodedResults.");
  }
  if (texts.empty()) return std::string();
  if (texts.size() == 1) return texts.front();
  std::string joined;
  for (size_t i = 0; i < texts.size(); ++i) {
    if (i > 0) joined += '\n';
    joined += std::to_string(scores[i]);
    joined += ": ";
    joined += texts[i];
  }
  return joined;
}

}  // namespace genai
}  // namespace ov
