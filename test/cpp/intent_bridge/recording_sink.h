// A reply sink (see native/intent_bridge/reply_members.h) that records what a
// reply reader built, for unit tests and fuzz targets, and renders it as
// JSON-like text: members in the order first set (setting a key again replaces
// its value where it stands, as on a script object), elements by index.
// Strings keep their bytes; quote, backslash and bytes below 0x20 are escaped.
// Misuse that Node-API would also reject or that no reader may commit (an
// element index out of order, an object set into itself) is counted in
// `misuses`.
#pragma once

#include <charconv>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace intent_bridge::testing {

class RecordingSink {
 public:
  struct Node {
    enum class Kind { Null, Boolean, Number, String, Object, Array } kind = Kind::Null;
    bool boolean = false;
    double number = 0.0;
    std::string text;
    std::vector<std::pair<std::string, std::shared_ptr<Node>>> members;
    std::vector<std::shared_ptr<Node>> elements;
  };
  using Object = std::shared_ptr<Node>;
  using Array = std::shared_ptr<Node>;

  Object newObject() { return make(Node::Kind::Object); }
  Array newArray() { return make(Node::Kind::Array); }

  void setNumber(Object& target, std::string_view key, double value) {
    auto node = make(Node::Kind::Number);
    node->number = value;
    set(target, key, node);
  }
  void setString(Object& target, std::string_view key, std::string_view bytes) {
    auto node = make(Node::Kind::String);
    node->text = std::string(bytes);
    set(target, key, node);
  }
  void setBoolean(Object& target, std::string_view key, bool value) {
    auto node = make(Node::Kind::Boolean);
    node->boolean = value;
    set(target, key, node);
  }
  void setNull(Object& target, std::string_view key) { set(target, key, make(Node::Kind::Null)); }
  void setObject(Object& target, std::string_view key, const Object& value) { set(target, key, value); }
  void setArray(Object& target, std::string_view key, const Array& value) { set(target, key, value); }
  void setElement(Array& target, std::uint32_t index, const Object& value) {
    if (target->kind != Node::Kind::Array || index != target->elements.size() || value == target) {
      ++misuses;
      return;
    }
    target->elements.push_back(value);
  }

  static std::string render(const Node& node) {
    std::string out;
    renderInto(node, out);
    return out;
  }

  int misuses = 0;

 private:
  static std::shared_ptr<Node> make(Node::Kind kind) {
    auto node = std::make_shared<Node>();
    node->kind = kind;
    return node;
  }

  void set(Object& target, std::string_view key, std::shared_ptr<Node> value) {
    if (target->kind != Node::Kind::Object || value == target) {
      ++misuses;
      return;
    }
    for (auto& member : target->members) {
      if (member.first == key) {
        member.second = std::move(value);
        return;
      }
    }
    target->members.emplace_back(std::string(key), std::move(value));
  }

  static void renderString(const std::string& text, std::string& out) {
    static const char kHex[] = "0123456789abcdef";
    out += '"';
    for (const char c : text) {
      const auto byte = static_cast<unsigned char>(c);
      if (c == '"' || c == '\\') {
        out += '\\';
        out += c;
      } else if (byte < 0x20) {
        out += "\\u00";
        out += kHex[byte >> 4];
        out += kHex[byte & 0xF];
      } else {
        out += c;
      }
    }
    out += '"';
  }

  static void renderInto(const Node& node, std::string& out) {
    switch (node.kind) {
      case Node::Kind::Null:
        out += "null";
        return;
      case Node::Kind::Boolean:
        out += node.boolean ? "true" : "false";
        return;
      case Node::Kind::Number: {
        char digits[64];
        const auto written = std::to_chars(digits, digits + sizeof digits, node.number);
        out.append(digits, written.ptr);
        return;
      }
      case Node::Kind::String:
        renderString(node.text, out);
        return;
      case Node::Kind::Object: {
        out += '{';
        for (std::size_t i = 0; i < node.members.size(); ++i) {
          if (i > 0) out += ',';
          renderString(node.members[i].first, out);
          out += ':';
          renderInto(*node.members[i].second, out);
        }
        out += '}';
        return;
      }
      case Node::Kind::Array: {
        out += '[';
        for (std::size_t i = 0; i < node.elements.size(); ++i) {
          if (i > 0) out += ',';
          renderInto(*node.elements[i], out);
        }
        out += ']';
        return;
      }
    }
  }
};

}  // namespace intent_bridge::testing
