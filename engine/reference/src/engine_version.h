#pragma once

namespace norvik {

inline constexpr const char* kVersionText = "norvik-reference 1.0.0";

}  // namespace norvik
