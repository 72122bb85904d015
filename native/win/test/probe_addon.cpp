// An addon that makes one Node-API call through the delay-loaded node.exe import.
#include <node_api.h>

extern "C" __declspec(dllexport) napi_value deskpet_probe_undefined() {
  napi_value value = nullptr;
  if (napi_get_undefined(nullptr, &value) != napi_ok) return nullptr;
  return value;
}
