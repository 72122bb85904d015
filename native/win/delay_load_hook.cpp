// Delay-load notification hook linked into every Node-API addon of the Windows build.
//
// The addons' Node-API imports are delay-loaded from "node.exe" (see
// cmake/WindowsNodeApi.cmake): nothing is bound when the addon is loaded, and the
// first call of each napi_* function goes through the delay-load helper. Before the
// helper would load "node.exe" by name, it asks this hook; the hook answers with the
// module that really provides Node-API in this process, so the addon works in a
// renamed or embedding host as well. Every other notification and every other DLL
// keeps the helper's default behaviour.
#include <windows.h>

#include <delayimp.h>

#include "node_api_provider.h"

namespace {

FARPROC WINAPI deskpetDelayLoadHook(unsigned notification, PDelayLoadInfo info) {
  if (notification != dliNotePreLoadLibrary || info == nullptr) return nullptr;
  if (!deskpet::win::isNodeHostImportName(info->szDll)) return nullptr;
  // For dliNotePreLoadLibrary the helper takes the returned value as the module handle.
  return reinterpret_cast<FARPROC>(deskpet::win::nodeApiProviderModule());
}

}  // namespace

// The delay-load helper of the MinGW-w64 runtime reads this variable (declared with C
// linkage in delayimp.h); defining it here replaces the runtime's default (null) hook
// for the module this file is linked into.
PfnDliHook __pfnDliNotifyHook2 = deskpetDelayLoadHook;
