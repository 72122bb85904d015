// The reply tape of one script environment: a list of building steps (new
// object, set a property to a number or a string, store an element, ...) that
// a reply reader writes in native memory, and a small script function, the
// builder, that carries them out in one call.
//
// Setting properties one Node-API call at a time costs a call into the host
// per property; the builder does the same assignments in script, where they
// are as cheap as in any script (the way JSON.parse builds its objects). The
// steps keep the reader's order exactly, and each is the plain assignment
// `object[key] = value` that napi_set_property performs: same member order,
// a repeated key sets its member again, inherited setters run.
//
// Numbers travel in a Float64Array and steps in an Int32Array over one
// ArrayBuffer that native code writes directly; strings are made natively and
// passed as the builder's arguments. Property names of kReplyKeys are named
// by their index, and so are the string values of kReplyValues, which the
// builder holds once. The builder assigns each name at a site of its own
// (`object.target = value`): every site then sees objects of one or two
// shapes, which the script engine stores to fastest, and the results get the
// same shapes every time. Other names go through one shared `object[key]`.
//
// Kept in the environment's instance data, set up on first use and freed with
// the environment. A tape is lent to one reader at a time: a reader that runs
// while the tape is lent (a property setter that calls back into the module)
// builds through Node-API calls instead.
#pragma once

#include <node_api.h>

#include <cstddef>
#include <cstdint>

#include "name_cache.h"
#include "reply_keys.h"

namespace intent_bridge {

class ReplyTape {
 public:
  // Steps, and the operands that follow each in the step list.
  enum Step : std::int32_t {
    kEnd = 0,     // root register (or -1 for the end of one part of a longer
                  // tape), count of registers used
    kNewObject,   // register: it holds a new object
    kNewArray,    // register: it holds a new array
    kSetNumber,   // register, key: the next number
    kSetString,   // register, key: the next string argument
    kSetTrue,     // register, key
    kSetFalse,    // register, key
    kSetNull,     // register, key
    kSetValue,    // register, key, register of the value
    kSetElement,  // register, index, register of the value
    kSetHeld,     // register, key, index into kReplyValues: that string
    // Objects of a member run (reply_members.h), each member set by plain
    // assignment in the run's order:
    kNewScores,         // register: a new object of the next six numbers
    kNewCommand,        // register: a new object of id and similarity (the next
                        // two numbers) and name (the next string argument)
    kNewCommandHeld,    // register, index into kReplyValues: the same with
                        // that string as name
    kNewCommandNamed,   // register, slot of the name cache: the same with the
                        // string the builder holds in that slot as name
    kNewCommandNaming,  // register, slot: the same as kNewCommand, the name
                        // also stored in that slot
  };
  // The run steps kNewScores .. kNewCommandNaming, and for each its "into"
  // form, into(step): the same operands, but the object is set on the
  // register's object, by plain assignment, under kRunIntoKeys[step -
  // kNewScores] instead of being kept in the register.
  static constexpr std::int32_t kRunSteps = 5;
  static constexpr std::int32_t into(Step run) { return run + kRunSteps; }
  static constexpr std::int32_t kRunIntoKeys[kRunSteps] = {result_key::scores, result_key::matchedCommand,
                                                           result_key::matchedCommand, result_key::matchedCommand,
                                                           result_key::matchedCommand};

  // A key operand that is not an index into kReplyKeys: the key is the next
  // string argument (taken before a string value of the same step).
  static constexpr std::int32_t kKeyInArguments = -1;

  // A set step whose key is a name of kReplyKeys is written as one step
  // number naming both the kind of value and the key (namedSet), followed by
  // the register and, for kSetValue and kSetHeld, the value's operand; the
  // builder then goes straight to that key's own assignment. The step numbers
  // above take their key as an operand, and it is always kKeyInArguments.
  static constexpr std::int32_t kFirstNamedSet = 24;
  static constexpr std::int32_t kValueKinds = 7;  // kSetNumber .. kSetValue, then kSetHeld
  static constexpr std::int32_t valueKind(Step step) { return step == kSetHeld ? 6 : step - kSetNumber; }
  static constexpr std::int32_t namedSet(Step step, std::int32_t key) {
    return kFirstNamedSet + key * kValueKinds + valueKind(step);
  }

  // What one step may need at most.
  static constexpr std::size_t kStepOperands = 4;

  ReplyTape(const ReplyTape&) = delete;
  ReplyTape& operator=(const ReplyTape&) = delete;

  // The tape of `env`, set up on its first use, and lent to the caller until
  // release(); null when the tape is lent already or cannot be set up, or
  // while a script exception is pending.
  static ReplyTape* borrow(napi_env env);
  // The same for a tape found already (route's, whose reply bytes it holds):
  // null when `tape` is null, lent already or has no builder.
  static ReplyTape* borrow(ReplyTape* tape);
  void release() { lent_ = false; }

  // Bytes kept with the tape for a route call's first reply, so that a call
  // does not allocate them. Lent apart from the tape, to one route call at a
  // time (a setter that routes again while a reply is built gets null and
  // uses bytes of its own); null too while a script exception is pending or
  // when the tape cannot be set up. The caller zeroes what it uses.
  static constexpr std::size_t kRouteReplyBytes = 8192;
  static ReplyTape* borrowRouteReply(napi_env env);
  char* routeReply() { return routeReply_; }
  void releaseRouteReply() { routeReplyLent_ = false; }

  // Whether the current part has room for one more step with this many
  // numbers and strings, and for the end step after it; when not, run(-1)
  // carries out the part first.
  bool hasRoom(std::size_t numbers, std::size_t strings) const {
    return stepCount_ + kStepOperands + 3 <= kStepCapacity && numberCount_ + numbers <= kNumberCapacity &&
           stringCount_ + strings <= kStringCapacity;
  }
  void step(std::int32_t value) { steps_[stepCount_++] = value; }
  // Steps written so far in the current part, and a step written already
  // changed in place.
  std::size_t stepCount() const { return stepCount_; }
  std::int32_t stepAt(std::size_t at) const { return steps_[at]; }
  void rewriteStep(std::size_t at, std::int32_t value) { steps_[at] = value; }
  void number(double value) { numbers_[numberCount_++] = value; }
  void string(napi_value value) { strings_[stringCount_++] = value; }

  // Calls the builder over the steps written since the last run. With a root
  // register it ends the build, empties the first `registers` registers and
  // returns the root's value; with -1 it returns null and the next part goes
  // on with the same registers. Null, with a script exception pending, when
  // the builder could not run.
  napi_value run(std::int32_t root, std::int32_t registers);

  // The command names the builder holds (see name_cache.h).
  NameCache& names() { return names_; }

 private:
  static constexpr std::size_t kStepCapacity = 4096;
  static constexpr std::size_t kNumberCapacity = 1024;
  static constexpr std::size_t kStringCapacity = 128;

  ReplyTape() = default;
  static ReplyTape* setUp(napi_env env);
  // The environment's tape, set up on first use; null while a script exception
  // is pending or when it cannot be set up.
  static ReplyTape* ofEnvironment(napi_env env);
  static void finalize(napi_env env, void* data, void* hint);

  napi_env env_ = nullptr;
  napi_ref builder_ = nullptr;  // null: the environment has no usable builder
  std::int32_t* steps_ = nullptr;
  double* numbers_ = nullptr;
  std::size_t stepCount_ = 0;
  std::size_t numberCount_ = 0;
  std::size_t stringCount_ = 0;
  napi_value strings_[kStringCapacity] = {};
  bool lent_ = false;
  char routeReply_[kRouteReplyBytes] = {};
  bool routeReplyLent_ = false;
  NameCache names_;
};

}  // namespace intent_bridge
