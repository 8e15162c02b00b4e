// Whether an open succeeded, as a test assertion that names the reason when
// it did not: an open returns an empty std::error_code when it worked.
#pragma once

#include <gtest/gtest.h>

#include <system_error>

namespace corvane::testing {

inline ::testing::AssertionResult Opened(const std::error_code& error) {
  if (!error) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "cannot open: " << error.message();
}

}  // namespace corvane::testing
