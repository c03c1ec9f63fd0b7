// The debug form: how error messages show a value, on one line, as the name
// of its kind with the payload in parentheses (Null alone): Bool(true),
// Int(-5), UInt(5), Float(1.0), String("a"), Array([Int(1), Null]),
// Object({"k": Null}). Value has its own (value.hpp); this is the one of bound
// values, and the pieces that both use.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

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

namespace debug_form_detail {

// The debug form of a bound value that is no array or object.
template <JsonView V>
void write_scalar(std::string& out, const V& value) {
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
  } else {
    internal_stop("A bound value of no known kind has no debug form");
  }
}

}  // namespace debug_form_detail

// A bound value: an unsigned integer shows as UInt, a signed one as Int, and
// object members in the value's own order. Nested arrays and objects are
// written from a stack of their own, so any depth fits the call stack.
template <JsonView V>
void write_debug(std::string& out, const V& value) {
  using Members = typename V::ObjectType;
  using MemberIterator = decltype(std::declval<const Members&>().begin());
  // An array or object being written, with the position of its next element.
  struct Open {
    const typename V::ArrayType* items;  // null for an object
    std::size_t next;
    MemberIterator member;
    MemberIterator end;

    bool done() const { return items ? next == items->size() : member == end; }
  };
  std::vector<Open> open;
  // Writes `v`, or the opening of a container, whose elements are left to the loop.
  const auto start = [&](const V& v) {
    if (const auto* items = v.as_array()) {
      out.append("Array([");
      open.push_back(Open{items, 0, {}, {}});
    } else if (const auto* members = v.as_object()) {
      out.append("Object({");
      open.push_back(Open{nullptr, 0, members->begin(), members->end()});
    } else {
      debug_form_detail::write_scalar(out, v);
    }
  };
  start(value);
  while (!open.empty()) {
    Open& top = open.back();
    if (top.done()) {
      out.append(top.items ? "])" : "})");
      open.pop_back();
      continue;
    }
    if (top.next++ > 0) out.append(", ");
    if (top.items) {
      start((*top.items)[top.next - 1]);
    } else {
      const auto& [key, member] = *top.member++;
      write_debug_quoted(out, key);
      out.append(": ");
      start(member);
    }
  }
}

}  // namespace korvel
