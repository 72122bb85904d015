// The engine's own text for its last failure on this thread, for the `detail`
// of an engine error. Norvik_LastErrorMessage is looked up at run time in the
// engine library the module is bound to, never linked: an engine made before
// that function existed (a vendor's, say) has no such export, and the module
// must load and work with it all the same.
#pragma once

namespace intent_bridge {

// The engine's text (owned by the engine, valid until this thread calls it
// again), or null when the engine has no Norvik_LastErrorMessage or offers no
// text (null or "").
const char* engineErrorText() noexcept;

}  // namespace intent_bridge
