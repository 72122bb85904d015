#pragma once

#include <string>
#include <vector>

namespace ov {
namespace genai {

// The texts a generation produced, each with its score.
struct DecodedResults {
  std::vector<std::string> texts;
  std::vector<float> scores;

  // "" for no text, the text itself for one text, and "<score>: <text>" lines
  // joined by "\n" for several. Throws ov::Exception when the number of scores
  // differs from the number of texts.
  operator std::string() const;
};

}  // namespace genai
}  // namespace ov
