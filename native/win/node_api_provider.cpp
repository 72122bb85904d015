#include "node_api_provider.h"

#include <string.h>

namespace deskpet::win {

namespace {
constexpr const char kNodeHostImportName[] = "node.exe";
constexpr const char kEmbeddedNodeLibrary[] = "libnode.dll";
}  // namespace

bool isNodeHostImportName(const char* dllName) {
  return dllName != nullptr && _stricmp(dllName, kNodeHostImportName) == 0;
}

HMODULE nodeApiProviderModule() {
  // GetModuleHandle only looks at modules already mapped into the process, so a
  // stray libnode.dll on the search path is never loaded by this.
  HMODULE embedded = GetModuleHandleA(kEmbeddedNodeLibrary);
  return embedded != nullptr ? embedded : GetModuleHandleA(nullptr);
}

}  // namespace deskpet::win
