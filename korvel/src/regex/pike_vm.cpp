#include "regex/pike_vm.hpp"

#include <string.h>

#include <algorithm>
#include <memory>

#include "text/utf8.hpp"
#include "unicode/unicode.hpp"

namespace korvel::regex {
namespace {

using hir::Look;

// The "character" beyond either end of the text.
constexpr char32_t kNone = 0xFFFFFFFF;
// What a byte that is not well-formed UTF-8 reads as: above every code point,
// so no literal or class matches it and it is no word character.
constexpr char32_t kInvalidByte = 0x110000;

// An ill-formed byte decodes as U+FFFD of length 1; the real U+FFFD has three.
utf8::Decoded mark_invalid(utf8::Decoded decoded) {
  if (decoded.code_point == utf8::kReplacement && decoded.length == 1) {
    decoded.code_point = kInvalidByte;
  }
  return decoded;
}

bool is_word_ascii(char32_t c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

bool is_word_unicode(char32_t c) {
  if (c < 0x80) return is_word_ascii(c);
  return c != kNone && unicode::contains(unicode::tables::kPerlWord, c);
}

// Whether `look` holds between the characters `before` and `after`.
bool look_holds(Look look, char32_t before, char32_t after) {
  switch (look) {
    case Look::kStart: return before == kNone;
    case Look::kEnd: return after == kNone;
    case Look::kStartLF: return before == kNone || before == '\n';
    case Look::kEndLF: return after == kNone || after == '\n';
    case Look::kStartCRLF:
      return before == kNone || before == '\n' || (before == '\r' && after != '\n');
    case Look::kEndCRLF:
      return after == kNone || after == '\r' || (after == '\n' && before != '\r');
    case Look::kWordUnicode: return is_word_unicode(before) != is_word_unicode(after);
    case Look::kWordUnicodeNegate: return is_word_unicode(before) == is_word_unicode(after);
    case Look::kWordStartUnicode: return !is_word_unicode(before) && is_word_unicode(after);
    case Look::kWordEndUnicode: return is_word_unicode(before) && !is_word_unicode(after);
    case Look::kWordStartHalfUnicode: return !is_word_unicode(before);
    case Look::kWordEndHalfUnicode: return !is_word_unicode(after);
    case Look::kWordAscii: return is_word_ascii(before) != is_word_ascii(after);
    case Look::kWordAsciiNegate: return is_word_ascii(before) == is_word_ascii(after);
    case Look::kWordStartAscii: return !is_word_ascii(before) && is_word_ascii(after);
    case Look::kWordEndAscii: return is_word_ascii(before) && !is_word_ascii(after);
    case Look::kWordStartHalfAscii: return !is_word_ascii(before);
    case Look::kWordEndHalfAscii: return !is_word_ascii(after);
  }
  return false;
}

class Vm {
 public:
  Vm(const Program& program, std::string_view text, std::uint32_t* scratch)
      : program_(program),
        text_(text),
        size_(static_cast<std::uint32_t>(program.insts.size())),
        dense_(scratch),
        sparse_(scratch + size_),
        targets_(scratch + 2 * size_),
        stack_(scratch + 3 * size_) {}

  // dense, sparse and targets hold one entry per instruction; the stack of
  // one closure at most two per instruction and one more.
  static std::size_t scratch_size(const Program& program) { return 5 * program.insts.size() + 1; }

  bool run() {
    const bool anchored = program_.anchored_start;
    const std::string_view prefix = program_.prefix;
    if (anchored && !text_.starts_with(prefix)) return false;
    std::size_t at = 0;
    char32_t before = kNone;
    while (true) {
      if (target_count_ == 0 && !anchored && !prefix.empty()) {
        // Nothing is under way, so the next match starts where the prefix does.
        const std::size_t found = find(prefix, at);
        if (found == std::string_view::npos) return false;
        if (found != at) {
          at = found;
          before = mark_invalid(utf8::decode_last(text_.substr(0, at))).code_point;
        }
      }
      const utf8::Decoded next = at < text_.size() ? decode_at(at) : utf8::Decoded{kNone, 0};
      set_count_ = 0;
      for (std::uint32_t i = 0; i < target_count_; ++i) {
        if (close(targets_[i], before, next.code_point)) return true;
      }
      if ((!anchored || at == 0) && close(program_.start, before, next.code_point)) return true;
      if (at == text_.size()) return false;
      step(next.code_point);
      if (target_count_ == 0 && anchored) return false;
      at += next.length;
      before = next.code_point;
    }
  }

 private:
  std::size_t find(std::string_view needle, std::size_t from) const {
    if (from >= text_.size()) return std::string_view::npos;
    const void* found =
        memmem(text_.data() + from, text_.size() - from, needle.data(), needle.size());
    if (found == nullptr) return std::string_view::npos;
    return static_cast<const char*>(found) - text_.data();
  }

  utf8::Decoded decode_at(std::size_t at) const {
    const auto byte = static_cast<unsigned char>(text_[at]);
    if (byte < 0x80) return {byte, 1};
    return mark_invalid(utf8::decode_first(text_.substr(at)));
  }

  bool insert(std::uint32_t pc) {
    const std::uint32_t slot = sparse_[pc];
    if (slot < set_count_ && dense_[slot] == pc) return false;
    dense_[set_count_] = pc;
    sparse_[pc] = set_count_++;
    return true;
  }

  // Adds `pc` and every state reachable from it without consuming a
  // character; true when that reaches a match.
  bool close(std::uint32_t pc, char32_t before, char32_t after) {
    std::uint32_t depth = 0;
    stack_[depth++] = pc;
    while (depth > 0) {
      pc = stack_[--depth];
      if (!insert(pc)) continue;
      const Inst& inst = program_.insts[pc];
      switch (inst.op) {
        case Op::kMatch: return true;
        case Op::kJump: stack_[depth++] = inst.out; break;
        case Op::kSplit:
          stack_[depth++] = inst.arg;
          stack_[depth++] = inst.out;
          break;
        case Op::kLook:
          if (look_holds(inst.look, before, after)) stack_[depth++] = inst.out;
          break;
        case Op::kChar:
        case Op::kClass: break;
      }
    }
    return false;
  }

  // The states after consuming `c` from each state of the current set.
  void step(char32_t c) {
    target_count_ = 0;
    for (std::uint32_t i = 0; i < set_count_; ++i) {
      const Inst& inst = program_.insts[dense_[i]];
      const bool consumes = (inst.op == Op::kChar && inst.arg == c) ||
                            (inst.op == Op::kClass && program_.matchers[inst.arg].matches(c));
      if (consumes) targets_[target_count_++] = inst.out;
    }
  }

  const Program& program_;
  std::string_view text_;
  std::uint32_t size_;
  std::uint32_t* dense_;
  std::uint32_t* sparse_;
  std::uint32_t* targets_;
  std::uint32_t* stack_;
  std::uint32_t set_count_ = 0;
  std::uint32_t target_count_ = 0;
};

// Small programs run on scratch space on the stack.
constexpr std::size_t kInlineScratch = 512;

}  // namespace

bool pike_vm_is_match(const Program& program, std::string_view text) {
  const std::size_t needed = Vm::scratch_size(program);
  std::uint32_t inline_scratch[kInlineScratch];
  std::unique_ptr<std::uint32_t[]> heap_scratch;
  std::uint32_t* scratch = inline_scratch;
  if (needed > kInlineScratch) {
    heap_scratch = std::make_unique<std::uint32_t[]>(needed);
    scratch = heap_scratch.get();
  } else {
    std::fill_n(scratch, needed, 0);
  }
  return Vm(program, text, scratch).run();
}

}  // namespace korvel::regex
