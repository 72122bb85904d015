// Host process for the delay-load hook checks. It exports napi_get_undefined the way
// node.exe does, so a Node-API call that reaches it returns the host's module handle,
// while one that reaches the fake libnode.dll returns that DLL's handle.
//
//   delay_load_host names     which import names the hook claims, and which module
//                             it picks before and after libnode.dll is loaded
//   delay_load_host host      an addon's first Node-API call binds to this executable
//   delay_load_host libnode   with libnode.dll loaded, the call binds to libnode.dll
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "node_api_provider.h"

extern "C" __declspec(dllexport) int napi_get_undefined(void* /*env*/, void** result) {
  *result = GetModuleHandleA(nullptr);
  return 0;
}

namespace {

int failures = 0;

void check(bool ok, const char* what) {
  std::printf("%s %s\n", ok ? "ok" : "FAILED", what);
  if (!ok) ++failures;
}

void checkNames() {
  using deskpet::win::isNodeHostImportName;
  check(isNodeHostImportName("node.exe"), "node.exe is the host import name");
  check(isNodeHostImportName("NODE.EXE"), "NODE.EXE matches regardless of case");
  check(isNodeHostImportName("Node.Exe"), "Node.Exe matches regardless of case");
  check(!isNodeHostImportName(nullptr), "a null name does not match");
  check(!isNodeHostImportName(""), "an empty name does not match");
  check(!isNodeHostImportName("node"), "node without .exe does not match");
  check(!isNodeHostImportName("node.exe.dll"), "a longer name does not match");
  check(!isNodeHostImportName("libnode.dll"), "libnode.dll is not the import name");
  check(!isNodeHostImportName("KERNEL32.dll"), "other DLLs are left alone");

  HMODULE self = GetModuleHandleA(nullptr);
  check(deskpet::win::nodeApiProviderModule() == self, "without libnode.dll the provider is the host executable");
  HMODULE libnode = LoadLibraryA("libnode.dll");
  check(libnode != nullptr, "fake libnode.dll loads");
  check(libnode != nullptr && deskpet::win::nodeApiProviderModule() == libnode,
        "with libnode.dll loaded the provider is libnode.dll");
}

void* callProbe() {
  HMODULE addon = LoadLibraryA("delay_load_probe.dll");
  check(addon != nullptr, "probe addon loads without binding Node-API");
  if (addon == nullptr) return nullptr;
  using ProbeFn = void* (*)();
  auto probe = reinterpret_cast<ProbeFn>(reinterpret_cast<void*>(GetProcAddress(addon, "deskpet_probe_undefined")));
  check(probe != nullptr, "probe addon exports its entry");
  return probe != nullptr ? probe() : nullptr;
}

void checkBinding(bool withLibnode) {
  HMODULE libnode = nullptr;
  if (withLibnode) {
    libnode = LoadLibraryA("libnode.dll");
    check(libnode != nullptr, "fake libnode.dll loads");
  }
  HMODULE expected = withLibnode ? libnode : GetModuleHandleA(nullptr);
  void* servedBy = callProbe();
  check(servedBy != nullptr && servedBy == expected, withLibnode
                                                         ? "the Node-API call was served by libnode.dll"
                                                         : "the Node-API call was served by the host executable");
}

}  // namespace

int main(int argc, char** argv) {
  const char* scenario = argc > 1 ? argv[1] : "";
  if (std::strcmp(scenario, "names") == 0) {
    checkNames();
  } else if (std::strcmp(scenario, "host") == 0) {
    checkBinding(false);
  } else if (std::strcmp(scenario, "libnode") == 0) {
    checkBinding(true);
  } else {
    std::fprintf(stderr, "usage: delay_load_host names|host|libnode\n");
    return 2;
  }
  std::fflush(stdout);
  return failures == 0 ? 0 : 1;
}
