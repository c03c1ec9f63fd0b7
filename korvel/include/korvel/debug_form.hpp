// The debug form: how error messages show a value, on one line, as the name
// of its kind with the payload in parentheses (Null alone): Bool(true),
// Int(-5), UInt(5), Float(1.0), String("a"), Array([Int(1), Null]),
// Object({"k": Null}). Value has its own (value.hpp); this is the one of bound
// values, and the pieces that both use.
#pragma once

#include <string>
#include <string_view>

#include "korvel/internal_stop.hpp"
#include "korvel/json_like.hpp"

namespace korvel {

// A double in debug notation: at least one digit after the point (1.0, 0.5),
// or exponent form below 0.0001 and from 1e16 on (1e-5, 1.5e16); NaN, inf, -inf.
void write_debug_float(std::string& out, double x);

// Text between double quotes, with backslash escapes for the quote, the
// backslash, NUL, TAB, LF and CR, and \u{hex} for characters that are not
// printable or that extend a grapheme cluster.
void write_debug_quoted(std::string& out, std::string_view text);

// A bound value: an unsigned integer shows as UInt, a signed one as Int, and
// object members in the value's own order.
template <JsonView V>
void write_debug(std::string& out, const V& value) {
  if (value.is_null()) {
    out.append("Null");
  } else if (const auto b = value.as_bool()) {
    out.append(*b ? "Bool(true)" : "Bool(false)");
  } else if (const auto u = value.as_u64()) {
    out.append("UInt(").append(std::to_string(*u)).append(")");
  } else if (const auto i = value.as_i64()) {
    out.append("Int(").append(std::to_string(*i)).append(")");
  } else if (const auto f = value.as_f64()) {
    out.append("Float(");
    write_debug_float(out, *f);
    out.append(")");
  } else if (const auto s = value.as_str()) {
    out.append("String(");
    write_debug_quoted(out, *s);
    out.append(")");
  } else if (const auto* array = value.as_array()) {
    out.append("Array([");
    const char* separator = "";
    for (const V& item : *array) {
      out.append(separator);
      write_debug(out, item);
      separator = ", ";
    }
    out.append("])");
  } else if (const auto* object = value.as_object()) {
    out.append("Object({");
    const char* separator = "";
    for (const auto& [key, member] : *object) {
      out.append(separator);
      write_debug_quoted(out, key);
      out.append(": ");
      write_debug(out, member);
      separator = ", ";
    }
    out.append("})");
  } else {
    internal_stop("A bound value of no known kind has no debug form");
  }
}

}  // namespace korvel
