// A small reader for JSON text from other programs: values are read in order straight from the
// text, with nesting bounded, so hostile input can make a read fail but never recurse without
// end or read past the text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace pixoria::platform {

class JsonScanner {
 public:
  explicit JsonScanner(std::string_view text) : text_(text) {}

  // Each read consumes one value of that kind and fails on anything else.
  bool readString(std::string& value);
  bool readInteger(std::int64_t& value);  // no fraction or exponent, at most 18 digits
  bool readBoolean(bool& value);
  bool skipValue();

  // Calls member(key) for each member; member must consume the member's value and return false
  // to stop with a failure.
  template <typename Member>
  bool readObject(Member&& member);
  // Calls element() for each element, which must consume it.
  template <typename Element>
  bool readArray(Element&& element);

  // The first character of the next value ('{', '[', '"', 't', ...), 0 at the end.
  char peek();
  // True when only white space is left.
  bool atEnd() { return peek() == '\0'; }

 private:
  static constexpr int kMaxDepth = 64;

  void skipSpace();
  bool consume(char expected);
  bool readLiteral(std::string_view word);
  bool readNumber(bool& integral);
  bool enter();

  std::string_view text_;
  std::size_t at_ = 0;
  int depth_ = 0;
};

template <typename Member>
bool JsonScanner::readObject(Member&& member) {
  if (!consume('{') || !enter()) {
    return false;
  }
  if (!consume('}')) {
    do {
      std::string key;
      if (!readString(key) || !consume(':') || !member(key)) {
        return false;
      }
    } while (consume(','));
    if (!consume('}')) {
      return false;
    }
  }
  --depth_;
  return true;
}

template <typename Element>
bool JsonScanner::readArray(Element&& element) {
  if (!consume('[') || !enter()) {
    return false;
  }
  if (!consume(']')) {
    do {
      if (!element()) {
        return false;
      }
    } while (consume(','));
    if (!consume(']')) {
      return false;
    }
  }
  --depth_;
  return true;
}

}  // namespace pixoria::platform
