// The one engine instance of a fuzz process: started once with the built-in
// corpus, and put back into that state after every input so that inputs do not
// depend on each other.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_check.h"

namespace deskpet_fuzz {

// Starts the engine on first use; aborts when it cannot start.
void ensureEngine();

// Drops user commands and restores the configuration the engine started with.
void restoreEngine();

// The configuration text the engine reported right after it started.
const std::string& startingConfigJson();

// The message the last call left: "" after a success; after a failure a text,
// and for text that is not JSON one that names the line and column.
void checkLastErrorMessage(std::int32_t code);

}  // namespace deskpet_fuzz
