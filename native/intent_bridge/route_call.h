// The route call: one query to the engine's router, the reply buffer grown
// once on request, and the reply read into a script object.
#pragma once

#include <napi.h>

#include "json_cursor.h"

namespace intent_bridge {

// The route result: each known member of the reply's object, in the reply's
// order; an empty object when the reply is not an object.
napi_value buildRouteResult(napi_env env, EngineReply reply);

}  // namespace intent_bridge
