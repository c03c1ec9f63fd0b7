#include "korvel/interpreter.hpp"

#include <array>
#include <cstddef>
#include <memory_resource>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "eval/ordering.hpp"
#include "korvel/internal_stop.hpp"
#include "support/overloaded.hpp"

namespace korvel::interpreter {
namespace {

// One step of the walk. The payloads point into the tree, which outlives the
// evaluation; a call refers to its FunctionItem for the name and the count.
struct PushKey {
  const std::string* key;
};
struct EvalExp {
  const Exp* exp;
};
struct ApplyNot {};
struct ContinueOr {
  const Exp* right;
};
struct ContinueAnd {
  const Exp* right;
};
struct ApplyEq {};
struct ApplyNeq {};
struct ApplyCompare {
  CompareOp op;
};
struct ApplyCall {
  const FunctionItem* call;
};
struct BuildArray {
  std::size_t count;
};
struct BuildObject {
  std::size_t count;
};

using WorkItem = std::variant<PushKey, EvalExp, ApplyNot, ContinueOr, ContinueAnd, ApplyEq,
                              ApplyNeq, ApplyCompare, ApplyCall, BuildArray, BuildObject>;

// A value-stack entry: a literal of the tree, or a value the stack holds.
using Entry = MaybeOwned<Value>;

using Status = std::optional<EvalError>;

class Evaluator {
 public:
  Evaluator(const FunctionTable& functions, VariableReader read_variable)
      : functions_(functions), read_variable_(read_variable) {}

  EvalResult run(const Exp& root) {
    // Room for small expressions from the arena, so the stacks rarely regrow.
    work_.reserve(32);
    values_.reserve(16);
    work_.emplace_back(EvalExp{&root});
    while (!work_.empty()) {
      const WorkItem item = work_.back();
      work_.pop_back();
      if (Status failure = process(item)) return Unexpected(std::move(*failure));
    }
    if (values_.empty()) {
      return Unexpected(EvalError(EvalError::ValueError{"No value on stack after evaluation"}));
    }
    return std::move(values_.back());
  }

 private:
  Status process(const WorkItem& item) {
    return std::visit(Overloaded{
                          [this](PushKey push) -> Status {
                            keys_.push_back(push.key);
                            return {};
                          },
                          [this](EvalExp eval) { return eval_exp(*eval.exp); },
                          [this](ApplyNot) { return apply_not(); },
                          [this](ContinueOr next) { return continue_or(*next.right); },
                          [this](ContinueAnd next) { return continue_and(*next.right); },
                          [this](ApplyEq) { return apply_eq(/*negate=*/false); },
                          [this](ApplyNeq) { return apply_eq(/*negate=*/true); },
                          [this](ApplyCompare compare) { return apply_compare(compare.op); },
                          [this](ApplyCall call) { return apply_call(*call.call); },
                          [this](BuildArray build) { return build_array(build.count); },
                          [this](BuildObject build) { return build_object(build.count); },
                      },
                      item);
  }

  // Items are pushed in reverse: the last one pushed runs first.
  Status eval_exp(const Exp& exp) {
    switch (exp.kind()) {
      case Exp::kLiteral: values_.emplace_back(exp.get_if<Value>()); return {};
      case Exp::kCall: {
        const auto& call = *exp.get_if<FunctionItem>();
        work_.emplace_back(ApplyCall{&call});
        for (auto it = call.args.rbegin(); it != call.args.rend(); ++it) {
          work_.emplace_back(EvalExp{&*it});
        }
        return {};
      }
      case Exp::kVariable: {
        Expected<Value, EvalError> value = read_variable_(*exp.get_if<VarAccess>());
        if (!value) return std::move(value).error();
        push_held(std::move(*value));
        return {};
      }
      case Exp::kNot:
        work_.emplace_back(ApplyNot{});
        work_.emplace_back(EvalExp{&*exp.get_if<Exp::Not>()->operand});
        return {};
      case Exp::kOr: push_short_circuit(ContinueOr{&*exp.operands()->right}, exp); return {};
      case Exp::kAnd: push_short_circuit(ContinueAnd{&*exp.operands()->right}, exp); return {};
      case Exp::kEq: push_binary(ApplyEq{}, exp); return {};
      case Exp::kNeq: push_binary(ApplyNeq{}, exp); return {};
      case Exp::kGt: push_binary(ApplyCompare{CompareOp::Gt}, exp); return {};
      case Exp::kLt: push_binary(ApplyCompare{CompareOp::Lt}, exp); return {};
      case Exp::kGeq: push_binary(ApplyCompare{CompareOp::Geq}, exp); return {};
      case Exp::kLeq: push_binary(ApplyCompare{CompareOp::Leq}, exp); return {};
      case Exp::kArray: {
        const auto& items = exp.get_if<Exp::Array>()->items;
        work_.emplace_back(BuildArray{items.size()});
        for (const Exp& item : items) work_.emplace_back(EvalExp{&item});
        return {};
      }
      case Exp::kObject: {
        const auto& members = exp.get_if<Exp::Object>()->members;
        work_.emplace_back(BuildObject{members.size()});
        for (const ExpMember& member : members) {
          work_.emplace_back(EvalExp{&member.value});
          work_.emplace_back(PushKey{&member.key});
        }
        return {};
      }
    }
    return {};
  }

  void push_short_circuit(WorkItem next, const Exp& exp) {
    work_.push_back(next);
    work_.emplace_back(EvalExp{&*exp.operands()->left});
  }

  void push_binary(WorkItem apply, const Exp& exp) {
    work_.push_back(apply);
    work_.emplace_back(EvalExp{&*exp.operands()->right});
    work_.emplace_back(EvalExp{&*exp.operands()->left});
  }

  // The entry `depth` places below the top, read in place.
  const Value& peek(std::size_t depth = 0) const {
    if (values_.size() <= depth) internal_stop("Value stack underflow");
    return values_[values_.size() - 1 - depth].get();
  }

  void drop(std::size_t n) {
    if (values_.size() < n) internal_stop("Value stack underflow");
    values_.erase(values_.end() - static_cast<std::ptrdiff_t>(n), values_.end());
  }

  // Removes the top entry and returns it as a held value: moved when held,
  // copied when it is a literal of the tree.
  Value take_value() {
    if (values_.empty()) internal_stop("Value stack underflow");
    Value value = std::move(values_.back()).take();
    values_.pop_back();
    return value;
  }

  const std::string& pop_key() {
    if (keys_.empty()) internal_stop("Object key stack underflow");
    const std::string* key = keys_.back();
    keys_.pop_back();
    return *key;
  }

  void push_held(Value&& value) { values_.emplace_back(std::in_place, std::move(value)); }

  // Replaces the top `n` entries by a boolean.
  void replace_top(std::size_t n, bool result) {
    drop(n);
    values_.emplace_back(std::in_place, result);
  }

  Status apply_not() {
    replace_top(1, !peek().is_truthy());
    return {};
  }

  // The left value decides unless it is falsy, and is then the result itself.
  Status continue_or(const Exp& right) {
    if (peek().is_truthy()) return {};
    drop(1);
    work_.emplace_back(EvalExp{&right});
    return {};
  }

  // A falsy left value yields false, not the value itself.
  Status continue_and(const Exp& right) {
    if (peek().is_truthy()) {
      drop(1);
      work_.emplace_back(EvalExp{&right});
    } else {
      replace_top(1, false);
    }
    return {};
  }

  Status apply_eq(bool negate) {
    replace_top(2, (peek(1) == peek(0)) != negate);
    return {};
  }

  Status apply_compare(CompareOp op) {
    const auto result = compare_values(op, peek(1), peek(0));
    if (!result) return std::move(result).error();
    replace_top(2, *result);
    return {};
  }

  // The name is looked up only now, after every argument was evaluated, so
  // an argument's failure is reported before a missing function.
  Status apply_call(const FunctionItem& call) {
    auto found = functions_.find(std::string_view(call.name));
    if (found == functions_.end()) return EvalError(EvalError::UndefinedFunction{call.name});
    const std::size_t n = call.args.size();
    if (values_.size() < n) internal_stop("Value stack underflow");

    // One argument vector serves every call: builtins never call back into
    // the evaluator, so it is free again when a call returns.
    args_.clear();
    args_.reserve(n);
    for (auto it = values_.end() - static_cast<std::ptrdiff_t>(n); it != values_.end(); ++it) {
      args_.push_back(std::move(*it).take());
    }
    values_.erase(values_.end() - static_cast<std::ptrdiff_t>(n), values_.end());
    arg_refs_.clear();
    for (const Value& arg : args_) arg_refs_.push_back(&arg);

    const FnCallback::Sync* sync = found->second.sync();
    if (sync == nullptr) {
      return EvalError(FnCallError{call.name, Box<EvalError>(EvalError::AsyncInSyncContext{})});
    }
    FnResult result = (*sync->function)(Arguments(arg_refs_));
    if (!result)
      return EvalError(FnCallError{call.name, Box<EvalError>(std::move(result).error())});
    // Made self-contained while the arguments it may view are still there.
    push_held(std::move(*result).into_owned());
    args_.clear();
    return {};
  }

  Status build_array(std::size_t count) {
    Array array;
    array.reserve(count);
    for (std::size_t i = 0; i < count; ++i) array.push_back(take_value());
    push_held(Value(std::move(array)));
    return {};
  }

  // Members come off the stacks in ascending key order, each with its value.
  Status build_object(std::size_t count) {
    std::vector<ObjectEntry> entries;
    entries.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
      std::string key = pop_key();
      entries.push_back(ObjectEntry{std::move(key), take_value()});
    }
    push_held(Value(Object::from_entries(std::move(entries))));
    return {};
  }

  const FunctionTable& functions_;
  const VariableReader read_variable_;
  // The stacks of most evaluations fit in a small arena on the call stack, so
  // they cost no heap allocation; deeper ones spill over to the heap.
  std::array<std::byte, 4096> arena_;
  std::pmr::monotonic_buffer_resource stack_memory_{arena_.data(), arena_.size()};
  std::pmr::vector<WorkItem> work_{&stack_memory_};
  std::pmr::vector<Entry> values_{&stack_memory_};
  std::pmr::vector<const std::string*> keys_{&stack_memory_};
  std::vector<Value> args_;
  std::vector<const Value*> arg_refs_;
};

}  // namespace

EvalResult eval(const Exp& root, const FunctionTable& functions, VariableReader read_variable) {
  return Evaluator(functions, read_variable).run(root);
}

}  // namespace korvel::interpreter
