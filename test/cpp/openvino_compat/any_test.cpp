#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "openvino/genai/llm_pipeline.hpp"

TEST(Any, IsTestsTheExactStoredType) {
  const ov::Any size = size_t(30);
  EXPECT_TRUE(size.is<size_t>());
  EXPECT_FALSE(size.is<int>());
  EXPECT_FALSE(size.is<unsigned>());
  EXPECT_FALSE(size.is<int64_t>());

  const ov::Any temperature = 0.7f;
  EXPECT_TRUE(temperature.is<float>());
  EXPECT_FALSE(temperature.is<double>());

  const ov::Any nothing;
  EXPECT_FALSE(nothing.is<int>());

  const ov::AnyMap map{{"max_new_tokens", size_t(30)}, {"CACHE_DIR", std::string("/c")}, {"do_sample", false}};
  EXPECT_TRUE(map.at("max_new_tokens").is<size_t>());
  EXPECT_TRUE(map.at("do_sample").is<bool>());
}

TEST(Any, CharacterPointersAreStoredAsStrings) {
  const ov::Any literal = "NPU";
  ASSERT_TRUE(literal.is<std::string>());
  EXPECT_EQ(literal.as<std::string>(), "NPU");

  char buffer[] = "cache";
  const ov::Any mutableChars = static_cast<char*>(buffer);
  ASSERT_TRUE(mutableChars.is<std::string>());
  EXPECT_EQ(mutableChars.as<std::string>(), "cache");

  const char* none = nullptr;
  const ov::Any fromNull = none;
  ASSERT_TRUE(fromNull.is<std::string>());
  EXPECT_EQ(fromNull.as<std::string>(), "");
}

TEST(Any, AsThrowsOvExceptionOnTypeMismatch) {
  const ov::Any value = 5;
  EXPECT_THROW(value.as<size_t>(), ov::Exception);
  EXPECT_THROW(value.as<std::string>(), ov::Exception);
  EXPECT_THROW(ov::Any().as<int>(), ov::Exception);
  try {
    value.as<float>();
    FAIL() << "no exception";
  } catch (const std::runtime_error& error) {
    const std::string text = error.what();
    EXPECT_NE(text.find("int"), std::string::npos) << text;
    EXPECT_NE(text.find("float"), std::string::npos) << text;
  }
}

TEST(Any, AsGivesAccessToTheStoredValueAndCopiesAreIndependent) {
  ov::Any original = std::vector<std::string>{"a"};
  ov::Any copy = original;
  original.as<std::vector<std::string>>().push_back("b");
  EXPECT_EQ(original.as<std::vector<std::string>>().size(), 2u);
  EXPECT_EQ(copy.as<std::vector<std::string>>().size(), 1u);

  copy = true;
  EXPECT_TRUE(copy.is<bool>());
  EXPECT_TRUE(copy.as<bool>());
}
