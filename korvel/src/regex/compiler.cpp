#include "regex/compiler.hpp"

#include <algorithm>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "regex/shortcuts.hpp"
#include "regex/size_limit.hpp"
#include "text/utf8.hpp"

namespace korvel::regex {
namespace {

using hir::Hir;
using hir::Kind;

bool is_anchored_start(const Hir& hir) {
  switch (hir.kind) {
    case Kind::kLook: return hir.look == hir::Look::kStart;
    case Kind::kCapture: return is_anchored_start(hir.subs[0]);
    case Kind::kRepetition: return hir.min > 0 && is_anchored_start(hir.subs[0]);
    case Kind::kConcat:
      for (const Hir& sub : hir.subs) {
        if (sub.kind == Kind::kEmpty) continue;
        if (sub.kind == Kind::kLook && sub.look != hir::Look::kStart) continue;
        return is_anchored_start(sub);
      }
      return false;
    case Kind::kAlternation:
      return std::all_of(hir.subs.begin(), hir.subs.end(), is_anchored_start);
    default: return false;
  }
}

// Appends the literal text that every match of `hir` starts with; false once
// what follows may vary. Zero-width assertions test the same position and
// are passed over.
bool collect_prefix(const Hir& hir, std::string& prefix) {
  switch (hir.kind) {
    case Kind::kEmpty:
    case Kind::kLook: return true;
    case Kind::kLiteral:
      for (const char32_t c : hir.text) utf8::append(prefix, c);
      return true;
    case Kind::kCapture: return collect_prefix(hir.subs[0], prefix);
    case Kind::kConcat:
      for (const Hir& sub : hir.subs) {
        if (!collect_prefix(sub, prefix)) return false;
      }
      return true;
    case Kind::kRepetition:
      if (hir.min > 0) collect_prefix(hir.subs[0], prefix);
      return false;
    default: return false;
  }
}

// Appends the instructions of a pattern to `insts`; reversed, they match the
// pattern's texts read right to left.
class Emitter {
 public:
  Emitter(std::vector<Inst>& insts, bool reversed) : insts_(insts), reversed_(reversed) {}

  void emit(const Hir& hir) {
    switch (hir.kind) {
      case Kind::kEmpty: return;
      case Kind::kLiteral:
        if (reversed_) {
          for (auto c = hir.text.rbegin(); c != hir.text.rend(); ++c) add(Op::kChar, *c);
        } else {
          for (const char32_t c : hir.text) add(Op::kChar, c);
        }
        return;
      case Kind::kClass: add(Op::kClass, hir.set); return;
      case Kind::kLook: insts_[add(Op::kLook, 0)].look = hir.look; return;
      case Kind::kCapture: emit(hir.subs[0]); return;
      case Kind::kConcat:
        if (reversed_) {
          for (auto sub = hir.subs.rbegin(); sub != hir.subs.rend(); ++sub) emit(*sub);
        } else {
          for (const Hir& sub : hir.subs) emit(sub);
        }
        return;
      case Kind::kAlternation:
        if (std::all_of(hir.subs.begin(), hir.subs.end(),
                        [](const Hir& sub) { return sub.kind == Kind::kLiteral; })) {
          emit_literal_trie(hir.subs);
        } else {
          emit_alternation(hir);
        }
        return;
      case Kind::kRepetition: emit_repetition(hir); return;
    }
  }

  void finish() { add(Op::kMatch, 0); }

 private:
  std::uint32_t pc() const { return static_cast<std::uint32_t>(insts_.size()); }

  std::uint32_t add(Op op, std::uint32_t arg) {
    insts_.push_back({op, hir::Look::kStart, pc() + 1, arg});
    return pc() - 1;
  }

  void emit_alternation(const Hir& hir) {
    std::vector<std::uint32_t> jumps;
    for (std::size_t i = 0; i + 1 < hir.subs.size(); ++i) {
      const std::uint32_t split = add(Op::kSplit, 0);
      emit(hir.subs[i]);
      jumps.push_back(add(Op::kJump, 0));
      insts_[split].arg = pc();
    }
    emit(hir.subs.back());
    for (const std::uint32_t jump : jumps) insts_[jump].out = pc();
  }

  // All branches literals: a trie of their characters, so that branches
  // that begin alike (end alike, reversed) share that part and equal ones
  // are one. Built and emitted without recursion, since a literal may be
  // long.
  void emit_literal_trie(const std::vector<Hir>& branches) {
    // Built from the texts in sorted order (the order of the ways out does
    // not change what matches): each text shares the path of the one before
    // as far as they agree. Children are linked in order.
    struct Node {
      char32_t c = 0;
      bool ends_branch = false;
      std::uint32_t first_child = 0;  // 0: none (the root is no child)
      std::uint32_t last_child = 0;
      std::uint32_t next_sibling = 0;
    };
    std::vector<std::u32string> texts;
    texts.reserve(branches.size());
    for (const Hir& branch : branches) {
      texts.push_back(reversed_ ? std::u32string(branch.text.rbegin(), branch.text.rend())
                                : branch.text);
    }
    std::sort(texts.begin(), texts.end());
    std::vector<Node> nodes(1);
    std::vector<std::uint32_t> path = {0};
    const std::u32string* previous = nullptr;
    for (const std::u32string& text : texts) {
      std::size_t shared = 0;
      while (previous != nullptr && shared < previous->size() && shared < text.size() &&
             (*previous)[shared] == text[shared]) {
        ++shared;
      }
      path.resize(shared + 1);
      for (std::size_t i = shared; i < text.size(); ++i) {
        const auto next = static_cast<std::uint32_t>(nodes.size());
        nodes.push_back({text[i]});
        Node& parent = nodes[path.back()];
        (parent.first_child == 0 ? parent.first_child : nodes[parent.last_child].next_sibling) =
            next;
        parent.last_child = next;
        path.push_back(next);
      }
      nodes[path.back()].ends_branch = true;
      previous = &text;
    }
    // Each node tries its ways out in turn: ending here, then each child.
    struct Frame {
      std::uint32_t node;
      std::uint32_t next_child;  // 0: none left
      bool end_done;
      std::optional<std::uint32_t> split;
    };
    std::vector<std::uint32_t> exits;
    std::vector<Frame> stack = {{0, nodes[0].first_child, !nodes[0].ends_branch, std::nullopt}};
    while (!stack.empty()) {
      Frame& frame = stack.back();
      if (frame.split) insts_[*std::exchange(frame.split, std::nullopt)].arg = pc();
      if (frame.end_done && frame.next_child == 0) {
        stack.pop_back();
        continue;
      }
      const bool more =
          !frame.end_done ? frame.next_child != 0 : nodes[frame.next_child].next_sibling != 0;
      if (more) frame.split = add(Op::kSplit, 0);
      if (!frame.end_done) {
        frame.end_done = true;
        exits.push_back(add(Op::kJump, 0));
        continue;
      }
      const std::uint32_t child = frame.next_child;
      frame.next_child = nodes[child].next_sibling;
      add(Op::kChar, nodes[child].c);
      stack.push_back({child, nodes[child].first_child, !nodes[child].ends_branch, std::nullopt});
    }
    for (const std::uint32_t exit : exits) insts_[exit].out = pc();
  }

  void emit_repetition(const Hir& hir) {
    const Hir& sub = hir.subs[0];
    std::uint32_t last_copy = pc();
    for (std::uint32_t i = 0; i < hir.min; ++i) {
      last_copy = pc();
      emit(sub);
    }
    if (!hir.max) {
      if (hir.min > 0) {
        // Loop back into the last copy, or go on.
        const std::uint32_t split = add(Op::kSplit, 0);
        insts_[split].out = last_copy;
        insts_[split].arg = pc();
        return;
      }
      const std::uint32_t loop = add(Op::kSplit, 0);
      emit(sub);
      insts_[add(Op::kJump, 0)].out = loop;
      insts_[loop].arg = pc();
      return;
    }
    std::vector<std::uint32_t> exits;
    for (std::uint32_t i = hir.min; i < *hir.max; ++i) {
      exits.push_back(add(Op::kSplit, 0));
      emit(sub);
    }
    for (const std::uint32_t exit : exits) insts_[exit].arg = pc();
  }

  std::vector<Inst>& insts_;
  bool reversed_;
};

}  // namespace

std::optional<Program> compile(hir::Translation translation) {
  if (!within_size_limit(translation)) return std::nullopt;
  Program program;
  Emitter emitter(program.insts, false);
  emitter.emit(translation.root);
  emitter.finish();
  program.anchored_start = is_anchored_start(translation.root);
  collect_prefix(translation.root, program.prefix);
  program.sets = std::move(translation.sets);
  program.matchers.reserve(program.sets.size());
  for (const CodePointSet& set : program.sets) program.matchers.emplace_back(set.ranges());
  add_shortcuts(translation.root, program);
  return program;
}

Fragment compile_fragment(std::span<const Hir* const> sequence, bool reversed) {
  Fragment fragment;
  Emitter emitter(fragment.insts, reversed);
  if (reversed) {
    for (auto hir = sequence.rbegin(); hir != sequence.rend(); ++hir) emitter.emit(**hir);
  } else {
    for (const Hir* hir : sequence) emitter.emit(*hir);
  }
  emitter.finish();
  return fragment;
}

}  // namespace korvel::regex
