#include <gtest/gtest.h>

#include <string>

#include "openvino/genai/llm_pipeline.hpp"

using ov::genai::DecodedResults;

TEST(DecodedResults, NoTextGivesEmptyString) {
  EXPECT_EQ(std::string(DecodedResults{}), "");
}

TEST(DecodedResults, OneTextIsReturnedUnchanged) {
  const DecodedResults results{{"  播放\n音乐 "}, {-3.25f}};
  EXPECT_EQ(std::string(results), "  播放\n音乐 ");
}

TEST(DecodedResults, SeveralTextsAreListedWithTheirScores) {
  const DecodedResults results{{"first", "second", ""}, {1.5f, -2.0f, 0.0f}};
  EXPECT_EQ(std::string(results), "1.500000: first\n-2.000000: second\n0.000000: ");
}

TEST(DecodedResults, CountMismatchThrowsTheLibraryMessage) {
  const char* const message = "The number of scores and texts doesn't match in DecodedResults.";
  for (const DecodedResults& results :
       {DecodedResults{{"text"}, {}}, DecodedResults{{}, {1.0f}}, DecodedResults{{"a", "b"}, {1.0f}}}) {
    try {
      (void)std::string(results);
      ADD_FAILURE() << "no exception";
    } catch (const ov::Exception& error) {
      EXPECT_NE(std::string(error.what()).find(message), std::string::npos) << error.what();
    }
  }
}
