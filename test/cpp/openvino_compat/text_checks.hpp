#pragma once

#include <gtest/gtest.h>

#include <string>

namespace testing_support {

// Passes when part occurs in text; the failure message shows both.
inline ::testing::AssertionResult Contains(const std::string& text, const std::string& part) {
  if (text.find(part) != std::string::npos) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "\"" << text << "\" does not contain \"" << part << "\"";
}

}  // namespace testing_support
