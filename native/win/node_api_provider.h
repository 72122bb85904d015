// Which module of the running process provides Node-API to an addon.
//
// Addons import their napi_* functions from "node.exe". That name is only right
// when the host is an unrenamed node.exe: hosts that embed Node (Electron and the
// like) carry Node-API in libnode.dll or in an executable of another name. These
// helpers find the real provider among the modules that are already loaded.
#pragma once

#include <windows.h>

namespace deskpet::win {

// True when `dllName` is the name under which the addons import Node-API
// ("node.exe", compared without regard to ASCII case). Null is never a match.
bool isNodeHostImportName(const char* dllName);

// The already loaded libnode.dll when the process has one, else the host
// executable. Never loads anything and never returns null.
HMODULE nodeApiProviderModule();

}  // namespace deskpet::win
