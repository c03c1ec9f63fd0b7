// The stack machine that runs a compiled program.
//
// The value stack is sized once from the program's depth, so pushing never
// grows it. Each entry refers to its value: a constant of the program or of
// the tree, or a value the stack holds in the slot beside the entry. A call
// passes the top entries themselves as its arguments, so no value is copied
// or moved to make a call.
#include <array>
#include <cstddef>
#include <memory>
#include <new>
#include <optional>
#include <span>

#include "builtins/builtins.hpp"
#include "compile/program.hpp"
#include "eval/ordering.hpp"
#include "korvel/interpreter.hpp"

namespace korvel::interpreter {
namespace {

using compile::Call;
using compile::Instruction;
using compile::Op;
using compile::Program;

const Value kTrue(true);
const Value kFalse(false);

using Status = std::optional<EvalError>;

class Machine {
 public:
  Machine(const Program& program, const FunctionTable& functions, SlotReader read_variable)
      : program_(program),
        functions_(functions),
        read_variable_(read_variable),
        // The builtins that calls were resolved to at compile time are those
        // of the default table; any other table is asked by name.
        resolved_(&functions == &default_vtable()) {
    const std::size_t depth = program.max_depth;
    if (depth <= kInlineDepth) {
      entries_ = inline_entries_.data();
      slots_ = inline_slots_.data();
    } else {
      heap_entries_ = std::make_unique<const Value*[]>(depth);
      heap_slots_ = std::make_unique<Slot[]>(depth);
      entries_ = heap_entries_.get();
      slots_ = heap_slots_.get();
    }
  }
  Machine(const Machine&) = delete;
  Machine& operator=(const Machine&) = delete;
  ~Machine() { drop(size_); }

  EvalResult run() {
    const Instruction* const code = program_.code.data();
    const std::size_t end = program_.code.size();
    for (std::size_t at = 0; at < end;) {
      const Instruction& instruction = code[at++];
      switch (instruction.op) {
        case Op::kPushConstant: entries_[size_++] = instruction.constant; break;
        case Op::kReadVariable: {
          auto value = read_variable_(instruction.index, *program_.variables[instruction.index]);
          if (!value) return Unexpected(std::move(value).error());
          push_held(std::move(*value));
          break;
        }
        case Op::kNot: replace_top(1, !top().is_truthy()); break;
        case Op::kOr:
          if (top().is_truthy()) {
            at = instruction.index;
          } else {
            drop(1);
          }
          break;
        case Op::kAnd:
          if (top().is_truthy()) {
            drop(1);
          } else {
            replace_top(1, false);
            at = instruction.index;
          }
          break;
        case Op::kEq: replace_top(2, peek(1) == peek(0)); break;
        case Op::kNeq: replace_top(2, !(peek(1) == peek(0))); break;
        case Op::kLt:
        case Op::kGt:
        case Op::kLeq:
        case Op::kGeq:
          if (Status failure = apply_compare(instruction.op))
            return Unexpected(std::move(*failure));
          break;
        case Op::kCall:
          if (Status failure = call(program_.calls[instruction.index])) {
            return Unexpected(std::move(*failure));
          }
          break;
        case Op::kBuildArray: build_array(instruction.index); break;
        case Op::kBuildObject: build_object(*instruction.object); break;
      }
    }
    if (size_ == 0) {
      return Unexpected(EvalError(EvalError::ValueError{"No value on stack after evaluation"}));
    }
    const std::size_t last = size_ - 1;
    if (!is_held(last)) return MaybeOwned<Value>::borrowed(*entries_[last]);
    MaybeOwned<Value> result(std::in_place, std::move(*slot(last)));
    drop(1);
    return result;
  }

 private:
  // Small programs keep their stack inside the machine, on the call stack.
  static constexpr std::size_t kInlineDepth = 16;

  // Room for one held value.
  struct Slot {
    alignas(Value) std::byte bytes[sizeof(Value)];
  };

  Value* slot(std::size_t i) { return std::launder(reinterpret_cast<Value*>(&slots_[i])); }
  bool is_held(std::size_t i) { return entries_[i] == slot(i); }

  const Value& peek(std::size_t depth) const { return *entries_[size_ - 1 - depth]; }
  const Value& top() const { return peek(0); }

  void push_held(Value&& value) {
    entries_[size_] = new (&slots_[size_]) Value(std::move(value));
    ++size_;
  }

  void drop(std::size_t count) {
    for (; count > 0; --count) {
      --size_;
      if (is_held(size_)) std::destroy_at(slot(size_));
    }
  }

  // The entry `depth` places below the top as a value of its own: a held one
  // is moved out, a constant is copied.
  Value take(std::size_t depth) {
    const std::size_t i = size_ - 1 - depth;
    if (is_held(i)) return std::move(*slot(i));
    return *entries_[i];
  }

  // Replaces the top `count` entries by a boolean, which needs no slot.
  void replace_top(std::size_t count, bool result) {
    drop(count);
    entries_[size_++] = result ? &kTrue : &kFalse;
  }

  Status apply_compare(Op op) {
    static constexpr CompareOp kOps[] = {CompareOp::Lt, CompareOp::Gt, CompareOp::Leq,
                                         CompareOp::Geq};
    const auto result = compare_values(
        kOps[static_cast<std::size_t>(op) - static_cast<std::size_t>(Op::kLt)], peek(1), peek(0));
    if (!result) return std::move(result).error();
    replace_top(2, *result);
    return {};
  }

  // The name is checked only now, after every argument was evaluated, so an
  // argument's failure is reported before a missing function.
  Status call(const Call& call) {
    const FunctionItem& item = *call.item;
    const std::size_t count = item.args.size();
    const Arguments args(std::span<const Value* const>(entries_ + size_ - count, count));
    std::optional<FnResult> result;
    if (resolved_) {
      if (call.builtin == nullptr) return EvalError(EvalError::UndefinedFunction{item.name});
      result.emplace(call.pattern ? functions::matches_compiled(args, *call.pattern)
                                  : call.builtin(args));
    } else {
      auto found = functions_.find(std::string_view(item.name));
      if (found == functions_.end()) return EvalError(EvalError::UndefinedFunction{item.name});
      const FnCallback::Sync* sync = found->second.sync();
      if (sync == nullptr) {
        return EvalError(FnCallError{item.name, Box<EvalError>(EvalError::AsyncInSyncContext{})});
      }
      result.emplace((*sync->function)(args));
      // Made self-contained while the arguments it may view are still there.
      if (*result) **result = std::move(**result).into_owned();
    }
    if (!*result) {
      return EvalError(FnCallError{item.name, Box<EvalError>(std::move(*result).error())});
    }
    drop(count);
    push_held(std::move(**result));
    return {};
  }

  void build_array(std::size_t count) {
    Array array;
    array.reserve(count);
    // The first item is on top.
    for (std::size_t i = 0; i < count; ++i) array.push_back(take(i));
    drop(count);
    push_held(Value(std::move(array)));
  }

  void build_object(const Exp::Object& object) {
    const std::size_t count = object.members.size();
    std::vector<ObjectEntry> entries;
    entries.reserve(count);
    // The first member, the one with the least key, is on top.
    for (std::size_t i = 0; i < count; ++i) {
      entries.push_back(ObjectEntry{object.members[i].key, take(i)});
    }
    drop(count);
    push_held(Value(Object::from_entries(std::move(entries))));
  }

  const Program& program_;
  const FunctionTable& functions_;
  const SlotReader read_variable_;
  const bool resolved_;

  const Value** entries_;
  Slot* slots_;
  std::size_t size_ = 0;
  std::array<const Value*, kInlineDepth> inline_entries_;
  std::array<Slot, kInlineDepth> inline_slots_;
  std::unique_ptr<const Value*[]> heap_entries_;
  std::unique_ptr<Slot[]> heap_slots_;
};

}  // namespace

EvalResult eval(const CompiledExp& exp, const FunctionTable& functions, SlotReader read_variable) {
  return Machine(exp.program(), functions, read_variable).run();
}

}  // namespace korvel::interpreter
