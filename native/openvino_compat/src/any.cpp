#include "openvino/core/any.hpp"

#include <cstdlib>
#include <memory>

#if defined(__GNUG__)
#include <cxxabi.h>
#endif

namespace ov {
namespace detail {
namespace {

std::string readableTypeName(const std::type_info& type) {
  if (type == typeid(void)) return "<empty>";
#if defined(__GNUG__)
  int status = 0;
  std::unique_ptr<char, void (*)(void*)> demangled(abi::__cxa_demangle(type.name(), nullptr, nullptr, &status),
                                                   std::free);
  if (status == 0 && demangled) return demangled.get();
#endif
  return type.name();
}

}  // namespace

void throwBadAnyCast(const std::type_info& stored, const std::type_info& requested) {
  throw ov::Exception("Bad cast from: " + readableTypeName(stored) + " to: " + readableTypeName(requested));
}

}  // namespace detail
}  // namespace ov
