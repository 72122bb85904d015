// The sink (see reply_members.h) through which the module's reply readers
// write their results as steps on the environment's reply tape (see
// reply_tape.h). Objects and arrays live in the builder's registers; a
// register is taken again once its value has been set into its parent, so a
// build needs about as many registers as its values are deep. A part of the
// tape that fills up is carried out at once and the build goes on.
#pragma once

#include <node_api.h>

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "reply_keys.h"
#include "reply_members.h"
#include "reply_tape.h"
#include "reply_values.h"
#include "script_string.h"

namespace intent_bridge {

class TapeReplySink {
 public:
  using Object = std::int32_t;
  using Array = std::int32_t;

  TapeReplySink(napi_env env, ReplyTape& tape) : env_(env), tape_(tape) {}

  Object newObject() { return newRegister(ReplyTape::kNewObject); }

  // An object of a member run (reply_members.h) in one step.
  Object newRunObject(MemberRun run, const double* numbers, std::string_view text) {
    if (run == MemberRun::kScores) {
      makeRoom(kScoreRunLength, 0);
      const Object value = takeRegister();
      noteRun(value);
      tape_.step(ReplyTape::kNewScores);
      tape_.step(value);
      for (std::size_t i = 0; i < kScoreRunLength; ++i) tape_.number(numbers[i]);
      return value;
    }
    const std::int32_t held = text.size() <= kLongestReplyValue ? replyValueIndex(text) : -1;
    makeRoom(2, held >= 0 ? 0 : 1);
    const Object value = takeRegister();
    noteRun(value);
    if (held >= 0) {
      writeCommand(ReplyTape::kNewCommandHeld, value, numbers, held);
      return value;
    }
    // A name kept in the cache needs no string; one it cannot keep goes as a
    // plain string argument.
    const NameCache::Slot slot = tape_.names().find(text);
    if (slot.hit) {
      writeCommand(ReplyTape::kNewCommandNamed, value, numbers, slot.index);
      return value;
    }
    if (slot.index >= 0) {
      writeCommand(ReplyTape::kNewCommandNaming, value, numbers, slot.index);
    } else {
      tape_.step(ReplyTape::kNewCommand);
      tape_.step(value);
      tape_.number(numbers[0]);
      tape_.number(numbers[1]);
    }
    addString(text);
    return value;
  }

  Array newArray() { return newRegister(ReplyTape::kNewArray); }

  void setNumber(Object& target, ReplyKey key, double value) {
    beginSet(ReplyTape::kSetNumber, target, key, 1, 0);
    tape_.number(value);
  }
  void setString(Object& target, ReplyKey key, std::string_view bytes) {
    const std::int32_t held = bytes.size() <= kLongestReplyValue ? replyValueIndex(bytes) : -1;
    if (held >= 0) {
      beginSet(ReplyTape::kSetHeld, target, key, 0, 0);
      tape_.step(held);
      return;
    }
    beginSet(ReplyTape::kSetString, target, key, 0, 1);
    addString(bytes);
  }
  void setBoolean(Object& target, ReplyKey key, bool value) {
    beginSet(value ? ReplyTape::kSetTrue : ReplyTape::kSetFalse, target, key, 0, 0);
  }
  void setNull(Object& target, ReplyKey key) { beginSet(ReplyTape::kSetNull, target, key, 0, 0); }
  void setObject(Object& target, ReplyKey key, const Object& value) {
    if (setRunInto(target, key, value)) return;
    beginSet(ReplyTape::kSetValue, target, key, 0, 0);
    tape_.step(value);
    freeRegister(value);
  }
  void setArray(Object& target, ReplyKey key, const Array& value) { setObject(target, key, value); }
  void setElement(Array& target, std::uint32_t index, const Object& value) {
    makeRoom(0, 0);
    tape_.step(ReplyTape::kSetElement);
    tape_.step(target);
    tape_.step(static_cast<std::int32_t>(index));
    tape_.step(value);
    freeRegister(value);
  }

  // Carries out the rest of the tape; the value built in `root`, or null with
  // a script exception pending.
  napi_value finish(Object root) { return tape_.run(root, registerCount_); }

 private:
  static constexpr std::size_t kFreeCapacity = 16;

  void makeRoom(std::size_t numbers, std::size_t strings) {
    if (tape_.hasRoom(numbers, strings)) return;
    tape_.run(-1, registerCount_);
    lastRunAt_ = kNoRun;
  }

  // Where the run step that made `value` starts.
  void noteRun(Object value) {
    lastRunAt_ = tape_.stepCount();
    lastRunValue_ = value;
  }

  // When `value` is the object of the last step written, a run step, and
  // `key` is the key of that step's into form: the step becomes its into
  // form on `target` (the object is set on `target` as the step ends).
  bool setRunInto(Object target, ReplyKey key, Object value) {
    if (lastRunAt_ == kNoRun || value != lastRunValue_) return false;
    const std::size_t at = lastRunAt_;
    lastRunAt_ = kNoRun;
    const std::int32_t step = tape_.stepAt(at);
    const std::size_t length = step == ReplyTape::kNewScores || step == ReplyTape::kNewCommand ? 2 : 3;
    if (at + length != tape_.stepCount() || key.index != ReplyTape::kRunIntoKeys[step - ReplyTape::kNewScores]) {
      return false;
    }
    tape_.rewriteStep(at, ReplyTape::into(static_cast<ReplyTape::Step>(step)));
    tape_.rewriteStep(at + 1, target);
    freeRegister(value);
    return true;
  }

  void writeCommand(ReplyTape::Step step, Object value, const double* numbers, std::int32_t operand) {
    tape_.step(step);
    tape_.step(value);
    tape_.step(operand);
    tape_.number(numbers[0]);
    tape_.number(numbers[1]);
  }

  Object takeRegister() { return freeCount_ > 0 ? free_[--freeCount_] : registerCount_++; }

  Object newRegister(ReplyTape::Step step) {
    makeRoom(0, 0);
    const Object value = takeRegister();
    tape_.step(step);
    tape_.step(value);
    return value;
  }

  // The value of `value` now belongs to its parent: its register can hold
  // the next new value.
  void freeRegister(Object value) {
    if (freeCount_ < kFreeCapacity) free_[freeCount_++] = value;
  }

  // The step and its target register: for a key of kReplyKeys one step
  // number naming step and key; any other key follows as kKeyInArguments and
  // goes as a string argument before any string value of the step.
  void beginSet(ReplyTape::Step step, Object target, ReplyKey key, std::size_t numbers, std::size_t strings) {
    if (key.index >= 0) {
      makeRoom(numbers, strings);
      tape_.step(ReplyTape::namedSet(step, key.index));
      tape_.step(target);
      return;
    }
    makeRoom(numbers, strings + 1);
    tape_.step(step);
    tape_.step(target);
    tape_.step(ReplyTape::kKeyInArguments);
    addString(key.name);
  }

  // A string that cannot be made leaves a script exception pending, and the
  // builder is then not run; undefined holds its place.
  void addString(std::string_view bytes) {
    napi_value value = makeScriptString(env_, bytes);
    if (value == nullptr) napi_get_undefined(env_, &value);
    tape_.string(value);
  }

  napi_env env_;
  ReplyTape& tape_;
  static constexpr std::size_t kNoRun = static_cast<std::size_t>(-1);
  std::size_t lastRunAt_ = kNoRun;  // where the last run step starts, if it may take its into form
  Object lastRunValue_ = -1;
  Object registerCount_ = 0;  // registers used so far: 0 .. registerCount_ - 1
  Object free_[kFreeCapacity] = {};
  std::size_t freeCount_ = 0;
};

}  // namespace intent_bridge
