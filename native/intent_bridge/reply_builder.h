// Builds the script value of an engine reply with one of the reply readers,
// through the environment's reply tape when it is free, else through one
// Node-API call per property (see reply_tape.h). Both give the same value.
#pragma once

#include <node_api.h>

#include "napi_reply_sink.h"
#include "reply_tape.h"
#include "tape_reply_sink.h"

namespace intent_bridge {

// `read(sink)` runs a reader over a sink and returns the root it built; it is
// called with a TapeReplySink or a NapiReplySink. `tape` is the result of a
// ReplyTape::borrow: the sink writes on it when it is not null. Null, with a
// script exception pending, when the value could not be built.
template <typename Read>
napi_value buildReplyValueOn(napi_env env, ReplyTape* tape, Read&& read) {
  if (tape != nullptr) {
    struct Lease {
      ReplyTape& tape;
      ~Lease() { tape.release(); }
    } lease{*tape};
    TapeReplySink sink(env, *tape);
    return sink.finish(read(sink));
  }
  NapiReplySink sink(env);
  return sink.finish(read(sink));
}

// The same through the environment's tape when it is free.
template <typename Read>
napi_value buildReplyValue(napi_env env, Read&& read) {
  return buildReplyValueOn(env, ReplyTape::borrow(env), read);
}

}  // namespace intent_bridge
