// UTF-8 text that is either borrowed or owned.
//
// Values and trees borrow text from the expression source and from bound data
// wherever they can; only what must outlive its source is made owned. Both
// states read alike: every operation but copying, into_owned() and release
// looks only at view().
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <variant>

namespace korvel {

class Text {
 public:
  // The empty text, owned; it needs no buffer.
  Text() : rep_(std::in_place_index<1>) {}

  static Text borrowed(std::string_view text) { return Text(text); }
  static Text owned(std::string text) { return Text(std::move(text)); }

  std::string_view view() const {
    if (const auto* view = std::get_if<0>(&rep_)) return *view;
    return *std::get_if<1>(&rep_);
  }
  bool is_borrowed() const { return rep_.index() == 0; }

  // Copies borrowed text into a buffer of its own; owned text is moved.
  Text into_owned() && {
    if (is_borrowed()) return Text(std::string(*std::get_if<0>(&rep_)));
    return std::move(*this);
  }

  // The text as an owned string: moved out when owned, copied when borrowed.
  std::string into_string() && {
    if (is_borrowed()) return std::string(*std::get_if<0>(&rep_));
    return std::move(*std::get_if<1>(&rep_));
  }

  friend bool operator==(const Text& a, const Text& b) { return a.view() == b.view(); }

 private:
  explicit Text(std::string_view text) : rep_(std::in_place_index<0>, text) {}
  explicit Text(std::string text) : rep_(std::in_place_index<1>, std::move(text)) {}

  // A copy of a borrowed text stays borrowed; a copy of owned text gets a new
  // buffer of exactly its length (std::string's copy does that).
  std::variant<std::string_view, std::string> rep_;
};

}  // namespace korvel
