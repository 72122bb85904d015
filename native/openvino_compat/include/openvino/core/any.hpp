#pragma once

#include <any>
#include <map>
#include <string>
#include <type_traits>
#include <typeinfo>
#include <utility>

#include "openvino/core/except.hpp"

namespace ov {

namespace detail {

// Character pointers (string literals included) are stored as std::string.
template <typename T>
using StoredType =
    std::conditional_t<std::is_same_v<std::decay_t<T>, const char*> || std::is_same_v<std::decay_t<T>, char*>,
                       std::string, std::decay_t<T>>;

[[noreturn]] void throwBadAnyCast(const std::type_info& stored, const std::type_info& requested);

}  // namespace detail

// A copyable value of any copyable type. is<T>() tests the exact stored type;
// as<T>() gives access to the stored value and throws ov::Exception when the
// stored type is not exactly T.
class Any {
 public:
  Any() = default;

  template <typename T, typename = std::enable_if_t<!std::is_same_v<std::decay_t<T>, Any>>>
  Any(T&& value)  // NOLINT: implicit on purpose, so maps can be brace-initialised
      : value_(store(std::forward<T>(value))) {}

  template <typename T>
  bool is() const noexcept {
    return value_.type() == typeid(T);
  }

  template <typename T>
  T& as() {
    if (T* p = std::any_cast<T>(&value_)) return *p;
    detail::throwBadAnyCast(value_.type(), typeid(T));
  }

  template <typename T>
  const T& as() const {
    if (const T* p = std::any_cast<T>(&value_)) return *p;
    detail::throwBadAnyCast(value_.type(), typeid(T));
  }

 private:
  template <typename T>
  static std::any store(T&& value) {
    using Stored = detail::StoredType<T>;
    static_assert(std::is_copy_constructible_v<Stored>, "ov::Any holds copyable values only");
    if constexpr (std::is_same_v<Stored, std::string> && std::is_pointer_v<std::decay_t<T>>) {
      const char* text = value;
      return text ? std::string(text) : std::string();
    } else {
      return Stored(std::forward<T>(value));
    }
  }

  std::any value_;
};

// Property and configuration maps: ordered by key.
using AnyMap = std::map<std::string, Any>;

}  // namespace ov
