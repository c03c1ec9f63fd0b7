// The compile step: an expression tree into a Program.
//
// The walk uses an explicit task stack, never the call stack, so the depth of
// a tree costs memory only. Beside the code it keeps a stack of fragments,
// one per value that the code so far leaves on the value stack, in the same
// order: the instructions that compute each value. A fragment that is a
// single constant push is a constant value, which is how arrays and objects
// made only of constants are found and built here instead of at every
// evaluation.
#include <algorithm>
#include <utility>
#include <vector>

#include "builtins/builtins.hpp"
#include "compile/program.hpp"
#include "korvel/compiled_exp.hpp"

namespace korvel {
namespace compile {
namespace {

Instruction with_index(Op op, std::size_t index) {
  Instruction instruction;
  instruction.op = op;
  instruction.index = index;
  return instruction;
}

Instruction push_constant(const Value* constant) {
  Instruction instruction;
  instruction.op = Op::kPushConstant;
  instruction.constant = constant;
  return instruction;
}

Instruction build_object(const Exp::Object* object) {
  Instruction instruction;
  instruction.op = Op::kBuildObject;
  instruction.object = object;
  return instruction;
}

Op operator_of(Exp::Kind kind) {
  switch (kind) {
    case Exp::kEq: return Op::kEq;
    case Exp::kNeq: return Op::kNeq;
    case Exp::kLt: return Op::kLt;
    case Exp::kGt: return Op::kGt;
    case Exp::kLeq: return Op::kLeq;
    default: return Op::kGeq;
  }
}

class Compiler {
 public:
  explicit Compiler(Program& program) : program_(program) {}

  void compile(const Exp& root) {
    tasks_.push_back(Task{Step::kVisit, &root});
    while (!tasks_.empty()) {
      const Task task = tasks_.back();
      tasks_.pop_back();
      switch (task.step) {
        case Step::kVisit: visit(*task.exp); break;
        case Step::kBranch: branch(*task.exp); break;
        case Step::kFinish: finish(*task.exp); break;
      }
    }
  }

 private:
  // Tasks run from the top of the stack, so a node pushes them in reverse.
  enum class Step : std::uint8_t {
    kVisit,   // compile the node, or push the tasks that will
    kBranch,  // the left operand of || or && is compiled: emit its jump
    kFinish,  // the operands are compiled: emit the node's own instruction
  };
  struct Task {
    Step step;
    const Exp* exp;
  };
  struct Fragment {
    std::size_t start;  // the position of its first instruction
    // A constant built here that only this fragment's one instruction pushes,
    // so that building a larger constant may move it instead of copying.
    Value* movable = nullptr;
  };
  // A jump whose target is not known yet, and where its left operand began.
  struct PendingJump {
    std::size_t at;
    std::size_t start;
  };

  void visit(const Exp& exp) {
    switch (exp.kind()) {
      case Exp::kLiteral: emit_constant(literal(*exp.get_if<Value>()), nullptr); return;
      case Exp::kVariable: {
        emit_value(with_index(Op::kReadVariable, program_.variables.size()));
        program_.variables.push_back(exp.get_if<VarAccess>());
        return;
      }
      case Exp::kCall: {
        tasks_.push_back(Task{Step::kFinish, &exp});
        const auto& args = exp.get_if<FunctionItem>()->args;
        for (auto it = args.rbegin(); it != args.rend(); ++it) visit_later(*it);
        return;
      }
      case Exp::kNot:
        tasks_.push_back(Task{Step::kFinish, &exp});
        visit_later(*exp.get_if<Exp::Not>()->operand);
        return;
      case Exp::kOr:
      case Exp::kAnd:
        tasks_.push_back(Task{Step::kFinish, &exp});
        visit_later(*exp.operands()->right);
        tasks_.push_back(Task{Step::kBranch, &exp});
        visit_later(*exp.operands()->left);
        return;
      case Exp::kArray:
        tasks_.push_back(Task{Step::kFinish, &exp});
        // The last item is evaluated first.
        for (const Exp& item : exp.get_if<Exp::Array>()->items) visit_later(item);
        return;
      case Exp::kObject:
        tasks_.push_back(Task{Step::kFinish, &exp});
        // The member with the greatest key is evaluated first.
        for (const ExpMember& member : exp.get_if<Exp::Object>()->members) {
          visit_later(member.value);
        }
        return;
      default:  // the six comparisons
        tasks_.push_back(Task{Step::kFinish, &exp});
        visit_later(*exp.operands()->right);
        visit_later(*exp.operands()->left);
        return;
    }
  }

  void visit_later(const Exp& exp) { tasks_.push_back(Task{Step::kVisit, &exp}); }

  // The left operand's value is consumed by the jump: either it decides, and
  // the jump skips the right operand, or the right operand's value replaces it.
  void branch(const Exp& exp) {
    const Fragment left = pop_fragments(1);
    jumps_.push_back(PendingJump{program_.code.size(), left.start});
    program_.code.push_back(with_index(exp.kind() == Exp::kOr ? Op::kOr : Op::kAnd, 0));
  }

  void finish(const Exp& exp) {
    switch (exp.kind()) {
      case Exp::kOr:
      case Exp::kAnd: {
        const PendingJump jump = jumps_.back();
        jumps_.pop_back();
        pop_fragments(1);
        program_.code[jump.at].index = program_.code.size();
        push_fragment(Fragment{jump.start});
        return;
      }
      case Exp::kNot: emit_operation(with_index(Op::kNot, 0), 1); return;
      case Exp::kCall: {
        const auto& call = *exp.get_if<FunctionItem>();
        emit_operation(with_index(Op::kCall, program_.calls.size()), call.args.size());
        program_.calls.push_back(resolve(call));
        return;
      }
      case Exp::kArray: finish_array(exp.get_if<Exp::Array>()->items.size()); return;
      case Exp::kObject: finish_object(*exp.get_if<Exp::Object>()); return;
      default: emit_operation(with_index(operator_of(exp.kind()), 0), 2); return;
    }
  }

  static Call resolve(const FunctionItem& call) {
    Call resolved{&call, functions::find_builtin(call.name), std::nullopt};
    if (resolved.builtin == &functions::matches && call.args.size() == 2) {
      const Value* pattern = call.args[1].get_if<Value>();
      if (const Text* text = pattern != nullptr ? pattern->get_if<Text>() : nullptr) {
        resolved.pattern = functions::compile_pattern(text->view());
      }
    }
    return resolved;
  }

  void finish_array(std::size_t count) {
    if (!top_are_constants(count)) {
      emit_operation(with_index(Op::kBuildArray, count), count);
      return;
    }
    Array array;
    array.reserve(count);
    // The first item is on top.
    for (std::size_t i = 0; i < count; ++i) array.push_back(take_constant(i));
    fold(count, Value(std::move(array)));
  }

  void finish_object(const Exp::Object& object) {
    const std::size_t count = object.members.size();
    if (!top_are_constants(count)) {
      emit_operation(build_object(&object), count);
      return;
    }
    std::vector<ObjectEntry> entries;
    entries.reserve(count);
    // The first member, the one with the least key, is on top.
    for (std::size_t i = 0; i < count; ++i) {
      entries.push_back(ObjectEntry{object.members[i].key, take_constant(i)});
    }
    fold(count, Value(Object::from_entries(std::move(entries))));
  }

  // The value a literal pushes: a string as a view of the tree's text, so
  // that the builtins may return views of it; anything else as it stands.
  const Value* literal(const Value& value) {
    if (const Text* text = value.get_if<Text>()) {
      return &program_.constants.emplace_back(Text::borrowed(text->view()));
    }
    return &value;
  }

  // Whether each of the top `count` fragments is a single constant push.
  bool top_are_constants(std::size_t count) const {
    const std::size_t size = fragments_.size();
    for (std::size_t k = size - count; k < size; ++k) {
      const std::size_t end = k + 1 < size ? fragments_[k + 1].start : program_.code.size();
      const std::size_t start = fragments_[k].start;
      if (end - start != 1 || program_.code[start].op != Op::kPushConstant) return false;
    }
    return true;
  }

  // The constant of the fragment `depth` places below the top.
  Value take_constant(std::size_t depth) {
    const Fragment& fragment = fragments_[fragments_.size() - 1 - depth];
    if (fragment.movable != nullptr) return std::move(*fragment.movable);
    return *program_.code[fragment.start].constant;
  }

  // Replaces the top `count` constant pushes by one push of `value`.
  void fold(std::size_t count, Value value) {
    program_.code.resize(pop_fragments(count).start);
    Value* constant = &program_.constants.emplace_back(std::move(value));
    emit_constant(constant, constant);
  }

  void emit_constant(const Value* constant, Value* movable) {
    push_fragment(Fragment{program_.code.size(), movable});
    program_.code.push_back(push_constant(constant));
  }

  // An instruction that consumes nothing and pushes one value.
  void emit_value(Instruction instruction) {
    push_fragment(Fragment{program_.code.size()});
    program_.code.push_back(instruction);
  }

  // An instruction that replaces the top `count` values by one.
  void emit_operation(Instruction instruction, std::size_t count) {
    const Fragment first = pop_fragments(count);
    program_.code.push_back(instruction);
    push_fragment(Fragment{first.start});
  }

  // Removes the top `count` fragments and returns where the first of them
  // began: the end of the code when there are none.
  Fragment pop_fragments(std::size_t count) {
    if (count == 0) return Fragment{program_.code.size()};
    const Fragment deepest = fragments_[fragments_.size() - count];
    fragments_.resize(fragments_.size() - count);
    return deepest;
  }

  void push_fragment(Fragment fragment) {
    fragments_.push_back(fragment);
    program_.max_depth = std::max(program_.max_depth, fragments_.size());
  }

  Program& program_;
  std::vector<Task> tasks_;
  std::vector<Fragment> fragments_;
  std::vector<PendingJump> jumps_;
};

}  // namespace
}  // namespace compile

CompiledExp::CompiledExp(Exp tree)
    : tree_(std::make_unique<const Exp>(std::move(tree))), program_([this] {
        auto program = std::make_unique<compile::Program>();
        compile::Compiler(*program).compile(*tree_);
        return program;
      }()) {}

CompiledExp::CompiledExp(CompiledExp&&) noexcept = default;
CompiledExp& CompiledExp::operator=(CompiledExp&&) noexcept = default;
CompiledExp::~CompiledExp() = default;

std::span<const VarAccess* const> CompiledExp::variables() const { return program_->variables; }

}  // namespace korvel
