// One immutable state of the engine: configuration, commands and their index.
// Calls that change the engine build a new snapshot aside and swap it in, so a
// failed call changes nothing and readers never see a half-built state.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "command.h"
#include "command_index.h"
#include "reply_fragments.h"
#include "routing_config.h"

namespace norvik {

struct CorpusSnapshot {
  Config config;
  std::vector<CommandPtr> base;               // from InitDefault / InitFromFile
  std::vector<CommandPtr> user;               // added by AddCorpus*, in order of first addition
  std::vector<CommandPtr> active;             // base commands not replaced by a user command, then user ones
  std::shared_ptr<const CommandIndex> index;  // built over `active`
  // The JSON of the ids and names of `active`, for the replies.
  std::shared_ptr<const CommandReplyText> replyText;
  // Ids of user commands that replace a built-in command of the same name.
  std::unordered_set<int32_t> namesakes;
  // For each action type, the position in `active` of the first command whose
  // action is that type alone ("打开应用" for open_app): the command that takes
  // the details from a slot.
  std::unordered_map<std::string, uint32_t> genericByType;
  // Every keyword of two characters or more (normalised), with the positions in
  // `active` of the commands that list it: the words that name a command's
  // thing, looked up inside names that may be unknown apps.
  std::unordered_map<std::u32string, std::vector<uint32_t>> keywordOwners;
  std::size_t longestKeyword = 0;
  // The `app` member of each command that opens one app (open_app with an app),
  // normalised, with the command's position: the host's name of that app
  // ("notepad" for 打开记事本).
  std::unordered_map<std::u32string, uint32_t> openerByApp;

  // The generic command of an action type, or null.
  const Command* generic(const std::string& type, uint32_t* position = nullptr) const;
};

// Builds the snapshot for the given layers (computes `active` and the index). A
// user command replaces the built-in command with its id, and the built-in
// command with its name (after normalisation).
std::shared_ptr<CorpusSnapshot> makeSnapshot(Config config, std::vector<CommandPtr> base, std::vector<CommandPtr> user);

}  // namespace norvik
