// Env: the variables an evaluation may read and the functions its calls
// resolve to. EnvBuilder collects the bindings and builds an Env.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <variant>

#include "korvel/functions.hpp"
#include "korvel/json_like.hpp"
#include "korvel/maybe_owned.hpp"
#include "korvel/siphash.hpp"

namespace korvel {

// Name to value, owned or borrowed (a borrowed value must outlive the map).
template <class V>
using VarMap = std::unordered_map<std::string, MaybeOwned<V>, RandomState, std::equal_to<>>;

// Name to value, as callers hand bindings over.
template <class V>
using Bindings = std::unordered_map<std::string, V, RandomState, std::equal_to<>>;

template <JsonLike V>
class Env {
 public:
  // The value bound to exactly this name, or null.
  const V* find(std::string_view name) const {
    auto it = vars_.find(name);
    return it == vars_.end() ? nullptr : &it->second.get();
  }

  const FunctionTable& functions() const {
    if (const auto* borrowed = std::get_if<const FunctionTable*>(&functions_)) return **borrowed;
    return *std::get_if<FunctionTable>(&functions_);
  }

  const VarMap<V>& vars() const { return vars_; }

 private:
  template <JsonLike>
  friend class EnvBuilder;

  Env(VarMap<V> vars, std::variant<FunctionTable, const FunctionTable*> functions)
      : vars_(std::move(vars)), functions_(std::move(functions)) {}

  VarMap<V> vars_;
  std::variant<FunctionTable, const FunctionTable*> functions_;
};

template <JsonLike V>
class EnvBuilder {
 public:
  // No function table: the built Env uses the default one.
  EnvBuilder() = default;
  explicit EnvBuilder(FunctionTable functions) : functions_(std::move(functions)) {}
  explicit EnvBuilder(const FunctionTable* functions) : functions_(functions) {}

  // Binds each name to its value, taking the values over. A name bound
  // already keeps its key and takes the new value.
  EnvBuilder& bind_multiple(Bindings<V> bindings) {
    vars_.reserve(vars_.size() + bindings.size());
    for (auto& [name, value] : bindings) {
      // An existing key stays; only its value is replaced.
      vars_.insert_or_assign(name, MaybeOwned<V>::owned(std::move(value)));
    }
    return *this;
  }

  // A new Env: owned values are deep-copied, borrowed ones stay borrowed, and
  // the builder can build again.
  Env<V> build() const& { return Env<V>(vars_, table()); }

  // The same Env from a builder that is done: its bindings move over instead
  // of being copied.
  Env<V> build() && { return Env<V>(std::move(vars_), table()); }

 private:
  // An absent table means the default one, built on first use.
  std::variant<FunctionTable, const FunctionTable*> table() const& {
    if (const auto* owned = std::get_if<FunctionTable>(&functions_)) return *owned;
    if (const auto* borrowed = std::get_if<const FunctionTable*>(&functions_)) return *borrowed;
    return &default_vtable();
  }

  VarMap<V> vars_;
  std::variant<std::monostate, FunctionTable, const FunctionTable*> functions_;
};

}  // namespace korvel
