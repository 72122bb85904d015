// The sink (see reply_members.h) through which the module's reply readers
// write their results as steps on the environment's reply tape (see
// reply_tape.h). Objects and arrays are the builder's registers, numbered in
// the order they are made. A part of the tape that fills up is carried out at
// once and the build goes on.
#pragma once

#include <node_api.h>

#include <cstdint>
#include <string_view>

#include "reply_keys.h"
#include "reply_tape.h"
#include "script_string.h"

namespace intent_bridge {

class TapeReplySink {
 public:
  using Object = std::int32_t;
  using Array = std::int32_t;

  TapeReplySink(napi_env env, ReplyTape& tape) : env_(env), tape_(tape) {}

  Object newObject() { return newRegister(ReplyTape::kNewObject); }
  Array newArray() { return newRegister(ReplyTape::kNewArray); }

  void setNumber(Object& target, std::string_view key, double value) {
    beginSet(ReplyTape::kSetNumber, target, key, 1, 0);
    tape_.number(value);
  }
  void setString(Object& target, std::string_view key, std::string_view bytes) {
    beginSet(ReplyTape::kSetString, target, key, 0, 1);
    addString(bytes);
  }
  void setBoolean(Object& target, std::string_view key, bool value) {
    beginSet(value ? ReplyTape::kSetTrue : ReplyTape::kSetFalse, target, key, 0, 0);
  }
  void setNull(Object& target, std::string_view key) { beginSet(ReplyTape::kSetNull, target, key, 0, 0); }
  void setObject(Object& target, std::string_view key, const Object& value) {
    beginSet(ReplyTape::kSetValue, target, key, 0, 0);
    tape_.step(value);
  }
  void setArray(Object& target, std::string_view key, const Array& value) { setObject(target, key, value); }
  void setElement(Array& target, std::uint32_t index, const Object& value) {
    makeRoom(0, 0);
    tape_.step(ReplyTape::kSetElement);
    tape_.step(target);
    tape_.step(static_cast<std::int32_t>(index));
    tape_.step(value);
  }

  // Carries out the rest of the tape; the value built in `root`, or null with
  // a script exception pending.
  napi_value finish(Object root) { return tape_.run(root); }

 private:
  void makeRoom(std::size_t numbers, std::size_t strings) {
    if (!tape_.hasRoom(numbers, strings)) tape_.run(-1);
  }

  Object newRegister(ReplyTape::Step step) {
    makeRoom(0, 0);
    tape_.step(step);
    return nextRegister_++;
  }

  // The step, its target register and its key; a key that kReplyKeys does not
  // hold goes as a string argument before any string value of the step.
  void beginSet(ReplyTape::Step step, Object target, std::string_view key, std::size_t numbers, std::size_t strings) {
    const std::int32_t known = replyKeyIndex(key);
    makeRoom(numbers, strings + (known < 0 ? 1 : 0));
    tape_.step(step);
    tape_.step(target);
    tape_.step(known < 0 ? ReplyTape::kKeyInArguments : known);
    if (known < 0) addString(key);
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
  Object nextRegister_ = 0;
};

}  // namespace intent_bridge
