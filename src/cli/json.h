#pragma once
// The JSON documents that `--json` prints: a small value tree written with
// two-space indentation, object keys in the order they were set. Strings are
// UTF-8; a byte that is not part of a UTF-8 sequence (a file name from a
// Linux folder may hold one) is written as U+FFFD, so the document is always
// valid JSON.
#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace drydock::cli {

class Json {
 public:
  using Array = std::vector<Json>;
  using Object = std::vector<std::pair<std::string, Json>>;

  Json() = default;  // null
  Json(bool b) : value_(b) {}
  Json(int n) : value_(static_cast<std::int64_t>(n)) {}
  Json(std::int64_t n) : value_(n) {}
  Json(std::uint64_t n) : value_(static_cast<std::int64_t>(n)) {}
  Json(const char* s) : value_(std::string(s)) {}
  Json(std::string s) : value_(std::move(s)) {}
  Json(std::string_view s) : value_(std::string(s)) {}
  static Json MakeArray() { return Json(Array{}); }
  static Json MakeObject() { return Json(Object{}); }
  // An array of the strings, in their order.
  static Json Strings(const std::vector<std::string>& items) {
    Json array = MakeArray();
    for (const std::string& item : items) array.Push(item);
    return array;
  }

  // Sets `key` of an object (a null becomes an empty object first; a key set
  // again keeps its place). Returns this object, so that calls chain: build a
  // nested value first, then set it.
  Json& Set(std::string key, Json value);
  // Appends to an array (a null becomes an empty array first); returns this array.
  Json& Push(Json value);

  bool IsNull() const { return std::holds_alternative<std::monostate>(value_); }

  // The document, ending in a line break.
  std::string Dump() const;
  void Write(std::ostream& out) const;

 private:
  explicit Json(Array a) : value_(std::move(a)) {}
  explicit Json(Object o) : value_(std::move(o)) {}
  void WriteAt(std::string& out, int depth) const;

  std::variant<std::monostate, bool, std::int64_t, std::string, Array, Object> value_;
};

// `text` as a JSON string literal, quotes included.
std::string JsonQuote(std::string_view text);

}  // namespace drydock::cli
