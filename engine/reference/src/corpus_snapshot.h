// One immutable state of the engine: configuration, commands and their index.
// Calls that change the engine build a new snapshot aside and swap it in, so a
// failed call changes nothing and readers never see a half-built state.
#pragma once

#include <memory>
#include <vector>

#include "command.h"
#include "command_index.h"
#include "routing_config.h"

namespace norvik {

struct CorpusSnapshot {
  Config config;
  std::vector<CommandPtr> base;               // from InitDefault / InitFromFile
  std::vector<CommandPtr> user;               // added by AddCorpus*, in order of first addition
  std::vector<CommandPtr> active;             // base commands not replaced by a user command, then user ones
  std::shared_ptr<const CommandIndex> index;  // built over `active`
};

// Builds the snapshot for the given layers (computes `active` and the index).
std::shared_ptr<CorpusSnapshot> makeSnapshot(Config config, std::vector<CommandPtr> base, std::vector<CommandPtr> user);

}  // namespace norvik
