// A libnode.dll as embedding hosts ship it, reduced to one Node-API function. It
// answers with its own module handle so the caller can tell which module served it.
#include <windows.h>

extern "C" __declspec(dllexport) int napi_get_undefined(void* /*env*/, void** result) {
  HMODULE self = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCSTR>(&napi_get_undefined), &self);
  *result = self;
  return 0;
}
