#pragma once

#include <stdexcept>

namespace ov {

// The one exception type the library throws for every failure it reports.
class Exception : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace ov
