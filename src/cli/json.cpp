#include "cli/json.h"

#include <ostream>

#include "platform/text_file.h"

namespace drydock::cli {

namespace {

void Indent(std::string& out, int depth) { out.append(static_cast<std::size_t>(depth) * 2, ' '); }

}  // namespace

std::string JsonQuote(std::string_view text) {
  std::string out = "\"";
  for (std::size_t i = 0; i < text.size();) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c >= 0x80) {
      const std::size_t n = platform::Utf8SequenceLength(text, i);
      if (n == 0) {
        out += "\xEF\xBF\xBD";
        ++i;
      } else {
        out.append(text.substr(i, n));
        i += n;
      }
      continue;
    }
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c < 0x20 || c == 0x7F) {
          static constexpr char kHex[] = "0123456789abcdef";
          out += "\\u00";
          out += kHex[c >> 4];
          out += kHex[c & 0xF];
        } else {
          out += static_cast<char>(c);
        }
    }
    ++i;
  }
  out += '"';
  return out;
}

Json& Json::Set(std::string key, Json value) {
  if (IsNull()) value_ = Object{};
  auto& object = std::get<Object>(value_);
  for (auto& [k, v] : object) {
    if (k == key) {
      v = std::move(value);
      return *this;
    }
  }
  object.emplace_back(std::move(key), std::move(value));
  return *this;
}

Json& Json::Push(Json value) {
  if (IsNull()) value_ = Array{};
  std::get<Array>(value_).push_back(std::move(value));
  return *this;
}

void Json::WriteAt(std::string& out, int depth) const {
  if (const auto* b = std::get_if<bool>(&value_)) {
    out += *b ? "true" : "false";
  } else if (const auto* n = std::get_if<std::int64_t>(&value_)) {
    out += std::to_string(*n);
  } else if (const auto* s = std::get_if<std::string>(&value_)) {
    out += JsonQuote(*s);
  } else if (const auto* a = std::get_if<Array>(&value_)) {
    if (a->empty()) {
      out += "[]";
      return;
    }
    out += "[\n";
    for (std::size_t i = 0; i < a->size(); ++i) {
      Indent(out, depth + 1);
      (*a)[i].WriteAt(out, depth + 1);
      out += i + 1 < a->size() ? ",\n" : "\n";
    }
    Indent(out, depth);
    out += ']';
  } else if (const auto* o = std::get_if<Object>(&value_)) {
    if (o->empty()) {
      out += "{}";
      return;
    }
    out += "{\n";
    for (std::size_t i = 0; i < o->size(); ++i) {
      Indent(out, depth + 1);
      out += JsonQuote((*o)[i].first);
      out += ": ";
      (*o)[i].second.WriteAt(out, depth + 1);
      out += i + 1 < o->size() ? ",\n" : "\n";
    }
    Indent(out, depth);
    out += '}';
  } else {
    out += "null";
  }
}

std::string Json::Dump() const {
  std::string out;
  WriteAt(out, 0);
  out += '\n';
  return out;
}

void Json::Write(std::ostream& out) const { out << Dump(); }

}  // namespace drydock::cli
