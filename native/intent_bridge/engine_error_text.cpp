#include "engine_error_text.h"

#include "norvik.h"

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace intent_bridge {

namespace {

using LastErrorMessageFunction = const char* (*)();

constexpr char kFunctionName[] = "Norvik_LastErrorMessage";

// The engine library is the one that provides Norvik_InitDefault to this module.
#ifdef _WIN32
LastErrorMessageFunction findInEngine() noexcept {
  HMODULE engine = nullptr;
  const auto address = reinterpret_cast<LPCWSTR>(reinterpret_cast<void*>(&Norvik_InitDefault));
  if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                          address, &engine)) {
    return nullptr;
  }
  return reinterpret_cast<LastErrorMessageFunction>(reinterpret_cast<void*>(GetProcAddress(engine, kFunctionName)));
}
#else
LastErrorMessageFunction findInEngine() noexcept {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&Norvik_InitDefault), &info) == 0 || info.dli_fname == nullptr) return nullptr;
  void* const engine = dlopen(info.dli_fname, RTLD_LAZY | RTLD_NOLOAD);
  if (engine == nullptr) return nullptr;
  void* const symbol = dlsym(engine, kFunctionName);
  dlclose(engine);  // only drops the reference taken above; the module's own keeps it loaded
  return reinterpret_cast<LastErrorMessageFunction>(symbol);
}
#endif

}  // namespace

const char* engineErrorText() noexcept {
  static const LastErrorMessageFunction lastErrorMessage = findInEngine();
  if (lastErrorMessage == nullptr) return nullptr;
  const char* const text = lastErrorMessage();
  return text != nullptr && *text != '\0' ? text : nullptr;
}

}  // namespace intent_bridge
