// The default risk classes by action (corpus/risk_defaults.json), embedded into
// the library at build time.
#pragma once

#include <string_view>

namespace norvik {

std::string_view riskDefaultsJson();

}  // namespace norvik
