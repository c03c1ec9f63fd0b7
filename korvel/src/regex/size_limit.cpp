#include "regex/size_limit.hpp"

#include <algorithm>
#include <array>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "regex/literal_set.hpp"
#include "text/utf8.hpp"

namespace korvel::regex {
namespace {

using hir::Hir;
using hir::Kind;
using StateId = std::uint32_t;

constexpr std::uint64_t kStateBytes = 32;
constexpr std::uint64_t kRangeBytes = 8;
constexpr std::uint64_t kBranchBytes = 4;

// The tables that share the states spelling a class: one slot per key, a
// later key taking the slot of an earlier one with the same hash.
constexpr std::size_t kForwardTableSlots = 10000;
constexpr std::size_t kBackwardTableSlots = 1000;
constexpr std::uint64_t kHashStart = 14695981039346656037u;
constexpr std::uint64_t kHashFactor = 1099511628211u;

std::uint64_t hash_step(std::uint64_t hash, std::uint64_t value) {
  return (hash ^ value) * kHashFactor;
}

struct ByteRange {
  std::uint8_t first;
  std::uint8_t last;

  friend bool operator==(const ByteRange&, const ByteRange&) = default;
};

struct Transition {
  ByteRange bytes;
  StateId next;

  friend bool operator==(const Transition&, const Transition&) = default;
};

// The UTF-8 encodings of a run of code points of one length, as one byte
// range per byte: [C3-C3][80-BF] for U+00C0 to U+00FF.
struct ByteSequence {
  std::array<ByteRange, 4> ranges;
  std::size_t length = 0;

  std::span<const ByteRange> bytes() const { return std::span(ranges).first(length); }
};

constexpr char32_t kMaxOfLength[] = {0x7F, 0x7FF, 0xFFFF};

// The UTF-8 encoding of `c`, which must take `length` bytes.
void encode(char32_t c, std::size_t length, std::uint8_t* out) {
  static constexpr std::uint8_t kLead[] = {0, 0, 0xC0, 0xE0, 0xF0};
  for (std::size_t i = length - 1; i > 0; --i) {
    out[i] = static_cast<std::uint8_t>(0x80 | (c & 0x3F));
    c >>= 6;
  }
  out[0] = static_cast<std::uint8_t>(kLead[length] | c);
}

ByteSequence encode(char32_t first, char32_t last) {
  ByteSequence sequence;
  sequence.length = utf8::encoded_length(first);
  std::uint8_t low[4];
  std::uint8_t high[4];
  encode(first, sequence.length, low);
  encode(last, sequence.length, high);
  for (std::size_t i = 0; i < sequence.length; ++i) sequence.ranges[i] = {low[i], high[i]};
  return sequence;
}

// Calls `visit` with the byte sequences of [first, last], in order: the
// range is cut around the surrogates, at each change of encoded length, and
// where its ends do not fill whole continuation bytes.
template <typename Visit>
void for_each_sequence(char32_t first, char32_t last, Visit&& visit) {
  struct Run {
    char32_t first;
    char32_t last;
  };
  // Each cut keeps the lower part and sets the upper aside; no run is cut
  // more than ten times.
  std::array<Run, 16> pending;
  std::size_t count = 0;
  auto push = [&](Run run) { pending[count++] = run; };
  push({first, last});
  while (count > 0) {
    Run run = pending[--count];
    while (true) {
      if (run.first < 0xE000 && run.last > 0xD7FF) {
        push({0xE000, run.last});
        run.last = 0xD7FF;
        continue;
      }
      if (run.first > run.last) break;
      bool cut = false;
      for (const char32_t max : kMaxOfLength) {
        if (run.first <= max && max < run.last) {
          push({max + 1, run.last});
          run.last = max;
          cut = true;
          break;
        }
      }
      if (cut) continue;
      if (run.last <= 0x7F) {
        ByteSequence ascii;
        ascii.ranges[0] = {static_cast<std::uint8_t>(run.first),
                           static_cast<std::uint8_t>(run.last)};
        ascii.length = 1;
        visit(ascii);
        break;
      }
      for (int i = 1; i < 4 && !cut; ++i) {
        const char32_t low_bits = (char32_t{1} << (6 * i)) - 1;
        if ((run.first & ~low_bits) == (run.last & ~low_bits)) continue;
        if ((run.first & low_bits) != 0) {
          push({(run.first | low_bits) + 1, run.last});
          run.last = run.first | low_bits;
          cut = true;
        } else if ((run.last & low_bits) != low_bits) {
          push({run.last & ~low_bits, run.last});
          run.last = (run.last & ~low_bits) - 1;
          cut = true;
        }
      }
      if (cut) continue;
      visit(encode(run.first, run.last));
      break;
    }
  }
}

// A number of states and their size in bytes.
struct Cost {
  StateId states = 0;
  std::uint64_t bytes = 0;
};

// The literal branches of an alternation, merged into a trie of bytes. A
// branch that ends where a longer one goes on closes a chunk of that trie
// state's edges: the edges added later are kept apart, since matching
// prefers the earlier branch. Its automaton has a final state, and for each
// trie state with edges a split over one state per non-empty chunk (which
// lists the chunk's edges) and over the final state between chunks; so each
// chunk's cost is known once it is closed.
class LiteralTrie {
 public:
  void add(std::string_view bytes, bool backward) {
    std::uint32_t at = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
      at = child(at, static_cast<std::uint8_t>(bytes[backward ? bytes.size() - 1 - i : i]));
    }
    TrieState& end = states_[at];
    if (end.edges == 0 && end.chunks > 0) return;
    close_chunk(end);
    ++end.branches;  // the final state, between this chunk and the next
    ++end.chunks;
  }

  Cost cost() const {
    Cost cost = {1, kStateBytes};
    for (const TrieState& state : states_) {
      if (state.edges == 0) continue;
      TrieState last = state;
      close_chunk(last);
      cost.states += last.closed.states + 1;
      cost.bytes += last.closed.bytes + kStateBytes + kBranchBytes * last.branches;
    }
    return cost;
  }

 private:
  struct TrieState {
    std::uint32_t edges = 0;        // in all chunks
    std::uint32_t chunk_edges = 0;  // in the open chunk
    std::uint32_t chunks = 0;       // closed
    std::uint64_t branches = 0;
    Cost closed;  // of the closed chunks' states
  };

  static void close_chunk(TrieState& state) {
    if (state.chunk_edges > 0) {
      ++state.closed.states;
      state.closed.bytes +=
          kStateBytes + (state.chunk_edges > 1 ? kRangeBytes * state.chunk_edges : 0);
      ++state.branches;
    }
    state.chunk_edges = 0;
  }

  // Edges are found by the state, its open chunk and the byte.
  struct EdgeKey {
    std::uint32_t from;
    std::uint32_t chunk;
    std::uint8_t byte;

    friend bool operator==(const EdgeKey&, const EdgeKey&) = default;
  };
  struct EdgeKeyHash {
    std::size_t operator()(const EdgeKey& key) const {
      return std::hash<std::uint64_t>()((std::uint64_t{key.from} << 32) ^
                                        (std::uint64_t{key.chunk} << 8) ^ key.byte);
    }
  };

  std::uint32_t child(std::uint32_t from, std::uint8_t byte) {
    const auto next = static_cast<std::uint32_t>(states_.size());
    auto [it, added] = edges_.try_emplace({from, states_[from].chunks, byte}, next);
    if (!added) return it->second;
    ++states_[from].edges;
    ++states_[from].chunk_edges;
    states_.emplace_back();
    return next;
  }

  std::vector<TrieState> states_ = std::vector<TrieState>(1);
  std::unordered_map<EdgeKey, std::uint32_t, EdgeKeyHash> edges_;
};

// The cost of a class in UTF-8 if no state were ever shared through the
// tables: a bound on its exact cost wherever it falls, and the same for all
// its copies. It follows from the class's byte sequences: their number, the
// bytes in all of them, and the leading ranges that each shares with the
// one before, which forward share a path anyway.
struct UnsharedCost {
  Cost forward;
  Cost backward;
};

UnsharedCost cost_without_sharing(std::span<const ByteSequence> sequences) {
  std::uint64_t ranges = 0;
  std::uint64_t shared = 0;
  const ByteSequence* previous = nullptr;
  for (const ByteSequence& sequence : sequences) {
    ranges += sequence.length;
    std::size_t n = 0;
    while (previous != nullptr && n < sequence.length && n < previous->length &&
           sequence.ranges[n] == previous->ranges[n]) {
      ++n;
    }
    shared += n;
    previous = &sequence;
  }
  // Forward: the end state, the root, and one node per range not shared,
  // less the last range of each sequence, which leads to the end state;
  // one transition per range not shared. Backward: the split, the end
  // state and a state per range; a branch per sequence.
  UnsharedCost cost;
  cost.forward.states = static_cast<StateId>(2 + ranges - shared - sequences.size());
  cost.forward.bytes = kStateBytes * cost.forward.states + kRangeBytes * (ranges - shared);
  cost.backward.states = static_cast<StateId>(2 + ranges);
  cost.backward.bytes = kStateBytes * cost.backward.states + kBranchBytes * sequences.size();
  return cost;
}

// What the counts need of a pattern's classes and alternations of literals,
// each worked out on first use: a class's byte sequences, which every copy
// goes through, and its unshared costs; an alternation's tries.
class PatternFacts {
 public:
  explicit PatternFacts(const std::vector<CodePointSet>& sets)
      : sets_(sets), sequences_(sets.size()), costs_(sets.size()) {}

  const CodePointSet& set(std::uint32_t index) const { return sets_[index]; }

  std::span<const ByteSequence> sequences(std::uint32_t index) {
    std::optional<std::vector<ByteSequence>>& sequences = sequences_[index];
    if (!sequences) {
      sequences.emplace();
      for (const Range& range : sets_[index].ranges()) {
        for_each_sequence(range.first, range.last,
                          [&](const ByteSequence& sequence) { sequences->push_back(sequence); });
      }
    }
    return *sequences;
  }

  const UnsharedCost& unshared_cost(std::uint32_t index) {
    if (!costs_[index]) costs_[index] = cost_without_sharing(sequences(index));
    return *costs_[index];
  }

  // The same for every copy of the alternation, known by its first branch.
  Cost trie_cost(std::span<const Hir> branches, bool backward) {
    auto [it, added] = trie_costs_[backward].try_emplace(branches.data());
    if (!added) return it->second;
    LiteralTrie trie;
    std::string bytes;
    for (const Hir& branch : branches) {
      bytes.clear();
      for (const char32_t c : branch.text) utf8::append(bytes, c);
      trie.add(bytes, backward);
    }
    it->second = trie.cost();
    return it->second;
  }

 private:
  const std::vector<CodePointSet>& sets_;
  std::vector<std::optional<std::vector<ByteSequence>>> sequences_;
  std::vector<std::optional<UnsharedCost>> costs_;
  std::array<std::unordered_map<const Hir*, Cost>, 2> trie_costs_;  // forward, backward
};

// Counts the states of one automaton as they would be made; or, with
// `unshared`, a bound on that count that charges each class its unshared
// cost.
class AutomatonSize {
 public:
  AutomatonSize(PatternFacts& facts, bool backward, bool unshared = false)
      : facts_(facts), backward_(backward), unshared_(unshared) {}

  std::uint64_t of_pattern(const Hir& root) {
    const Ref start =
        (backward_ ? root.anchored_end : root.anchored_start) ? state() : any_bytes_first();
    const Ref body = backward_ ? compile(root) : group(root);
    state();  // the match
    patch(body);
    patch(start);
    return bytes_;
  }

 private:
  // What a construct leaves behind: only whether its last state splits
  // matters, since joining a split to what follows adds a branch to it.
  struct Ref {
    bool ends_in_split = false;
  };

  bool full() const { return bytes_ > kSizeLimit; }

  StateId add_state(std::uint64_t extra_bytes = 0) {
    bytes_ += kStateBytes + extra_bytes;
    return states_++;
  }
  Ref state() {
    add_state();
    return {};
  }
  Ref split() {
    add_state();
    return {true};
  }
  void branch() { bytes_ += kBranchBytes; }
  void patch(Ref from) {
    if (from.ends_in_split) branch();
  }

  // A lazy loop over any byte: a split, then an empty state and the state
  // of the range 00-FF.
  Ref any_bytes_first() {
    const Ref loop = split();
    state();
    add_state(kRangeBytes);
    branch();
    return loop;
  }

  Ref compile(const Hir& hir) {
    switch (hir.kind) {
      case Kind::kEmpty:
      case Kind::kLook: return state();
      case Kind::kLiteral: return literal(hir.text);
      case Kind::kClass: return cls(hir.set);
      case Kind::kCapture: return backward_ ? compile(hir.subs[0]) : group(hir.subs[0]);
      case Kind::kConcat: return concat(hir.subs);
      case Kind::kAlternation: return alternation(hir.subs);
      case Kind::kRepetition: return repetition(hir);
    }
    return {};
  }

  // A state at each end of the group.
  Ref group(const Hir& sub) {
    state();
    const Ref inner = compile(sub);
    state();
    patch(inner);
    return {};
  }

  // One state per byte.
  Ref literal(std::u32string_view text) {
    for (const char32_t c : text) {
      for (int i = utf8::encoded_length(c); i > 0; --i) add_state();
    }
    return {};
  }

  // Items in order, or from the last when reading backward.
  Ref concat(std::span<const Hir> items) {
    Ref last = compile(backward_ ? items.back() : items.front());
    for (std::size_t i = 1; i < items.size() && !full(); ++i) {
      const Ref next = compile(backward_ ? items[items.size() - 1 - i] : items[i]);
      patch(last);
      last = next;
    }
    return last;
  }

  Ref copies(const Hir& sub, std::uint32_t n) {
    if (n == 0) return state();
    Ref last = compile(sub);
    for (std::uint32_t i = 1; i < n && !full(); ++i) {
      const Ref next = compile(sub);
      patch(last);
      last = next;
    }
    return last;
  }

  // All literals (two or more): a trie. Otherwise the first two branches,
  // then a split and the state where the branches meet, then the others.
  Ref alternation(std::span<const Hir> branches) {
    const bool literals = std::all_of(branches.begin(), branches.end(),
                                      [](const Hir& b) { return b.kind == Kind::kLiteral; });
    if (literals) {
      const Cost cost = facts_.trie_cost(branches, backward_);
      states_ += cost.states;
      bytes_ += cost.bytes;
      return {};
    }
    const Ref first = compile(branches[0]);
    const Ref second = compile(branches[1]);
    add_state();
    add_state();
    branch();
    patch(first);
    branch();
    patch(second);
    for (std::size_t i = 2; i < branches.size() && !full(); ++i) {
      const Ref next = compile(branches[i]);
      branch();
      patch(next);
    }
    return {};
  }

  Ref repetition(const Hir& hir) {
    const Hir& sub = hir.subs[0];
    if (hir.min == 0 && hir.max == 1u) return optional(sub);
    if (!hir.max) return at_least(sub, hir.min);
    if (hir.min == *hir.max) return copies(sub, hir.min);
    return bounded(sub, hir.min, *hir.max);
  }

  // A split, the sub, and the state where both ways meet.
  Ref optional(const Hir& sub) {
    add_state();
    const Ref inner = compile(sub);
    add_state();
    branch();
    branch();
    patch(inner);
    return {};
  }

  // The `min` copies, the state where every way out meets, then for each
  // optional copy a split that enters it or leaves.
  Ref bounded(const Hir& sub, std::uint32_t min, std::uint32_t max) {
    Ref last = copies(sub, min);
    add_state();
    for (std::uint32_t i = min; i < max && !full(); ++i) {
      add_state();
      const Ref next = compile(sub);
      patch(last);
      branch();
      branch();
      last = next;
    }
    patch(last);
    return {};
  }

  // x* is a split looping over x when x cannot match the empty text, and
  // (x+)? otherwise; x+ is x and a split back into it; x{n,} is n-1 copies
  // followed by x+.
  Ref at_least(const Hir& sub, std::uint32_t n) {
    if (n == 0) {
      if (sub.min_length && *sub.min_length > 0) {
        const Ref loop = split();
        const Ref inner = compile(sub);
        branch();
        patch(inner);
        return loop;
      }
      const Ref inner = compile(sub);
      add_state();
      patch(inner);
      branch();
      add_state();
      add_state();
      branch();
      branch();
      branch();
      return {};
    }
    if (n == 1) {
      const Ref inner = compile(sub);
      const Ref loop = split();
      patch(inner);
      branch();
      return loop;
    }
    const Ref before = copies(sub, n - 1);
    const Ref inner = compile(sub);
    const Ref loop = split();
    patch(before);
    patch(inner);
    branch();
    return loop;
  }

  // A class within ASCII: an empty state and one state listing the ranges.
  // Others spell their characters in UTF-8.
  Ref cls(std::uint32_t index) {
    const CodePointSet& set = facts_.set(index);
    if (set.is_ascii()) {
      add_state();
      add_state(kRangeBytes * set.ranges().size());
      return {};
    }
    if (!unshared_) {
      const auto sequences = facts_.sequences(index);
      return backward_ ? utf8_backward(sequences) : utf8_forward(sequences);
    }
    const UnsharedCost& cost = facts_.unshared_cost(index);
    const Cost& added = backward_ ? cost.backward : cost.forward;
    states_ += added.states;
    bytes_ += added.bytes;
    return {};
  }

  // Forward, the byte sequences come in order and are built into a minimal
  // automaton from the end: when a sequence leaves the path of the one
  // before, the abandoned part of that path is made into states, and a state
  // is made only when no equal one (same ranges to the same states) is found
  // in the table. The automaton ends in an empty state made first.
  Ref utf8_forward(std::span<const ByteSequence> sequences) {
    target_ = add_state();
    ++generation_;
    if (forward_table_.empty()) forward_table_.resize(kForwardTableSlots);
    open_node(0, std::nullopt);
    depth_ = 1;
    for (const ByteSequence& sequence : sequences) {
      if (full()) return {};
      add_sequence(sequence.bytes());
    }
    freeze_from(0);
    make_state(path_[0].edges);
    return {};
  }

  // A node of the path that the last sequence took; the nodes beyond depth_
  // are kept only for their storage.
  struct Node {
    std::vector<Transition> edges;
    std::optional<ByteRange> last;  // the edge still open on the current path
  };

  void open_node(std::size_t at, std::optional<ByteRange> last) {
    if (at == path_.size()) path_.emplace_back();
    path_[at].edges.clear();
    path_[at].last = last;
  }

  void add_sequence(std::span<const ByteRange> bytes) {
    std::size_t shared = 0;
    while (shared < bytes.size() && shared < depth_ && path_[shared].last == bytes[shared]) {
      ++shared;
    }
    freeze_from(shared);
    path_[depth_ - 1].last = bytes[shared];
    for (std::size_t i = shared + 1; i < bytes.size(); ++i) open_node(depth_++, bytes[i]);
  }

  // Turns the nodes after `from` into states, deepest first, and closes the
  // open edge of the node at `from`.
  void freeze_from(std::size_t from) {
    StateId next = target_;
    while (from + 1 < depth_) {
      Node& node = path_[--depth_];
      if (node.last) node.edges.push_back({*node.last, next});
      next = make_state(node.edges);
    }
    Node& top = path_[depth_ - 1];
    if (top.last) top.edges.push_back({*top.last, next});
    top.last.reset();
  }

  StateId make_state(const std::vector<Transition>& edges) {
    std::uint64_t hash = kHashStart;
    for (const Transition& t : edges) {
      hash = hash_step(hash, t.bytes.first);
      hash = hash_step(hash, t.bytes.last);
      hash = hash_step(hash, t.next);
    }
    ForwardSlot& slot = forward_table_[hash % kForwardTableSlots];
    if (slot.generation == generation_ && slot.edges == edges) return slot.state;
    const StateId id = add_state(kRangeBytes * edges.size());
    slot.generation = generation_;
    slot.edges.assign(edges.begin(), edges.end());
    slot.state = id;
    return id;
  }

  // Backward, each byte sequence is a chain of single-range states that
  // starts from its last byte and leads to an empty end state; a link that
  // the table already holds (the same range leading to the same state) is
  // reused. A split enters every chain; it and the end state come first.
  Ref utf8_backward(std::span<const ByteSequence> sequences) {
    add_state();
    const StateId end = add_state();
    ++generation_;
    if (backward_table_.empty()) backward_table_.resize(kBackwardTableSlots);
    for (const ByteSequence& sequence : sequences) {
      if (full()) return {};
      StateId next = end;
      for (const ByteRange& bytes : sequence.bytes()) {
        std::uint64_t hash = kHashStart;
        hash = hash_step(hash, next);
        hash = hash_step(hash, bytes.first);
        hash = hash_step(hash, bytes.last);
        BackwardSlot& slot = backward_table_[hash % kBackwardTableSlots];
        if (slot.generation == generation_ && slot.next == next && slot.bytes == bytes) {
          next = slot.state;
          continue;
        }
        const StateId id = add_state();
        slot = {generation_, next, bytes, id};
        next = id;
      }
      branch();
    }
    return {};
  }

  struct ForwardSlot {
    std::uint64_t generation = 0;
    std::vector<Transition> edges;
    StateId state = 0;
  };
  struct BackwardSlot {
    std::uint64_t generation = 0;
    StateId next = 0;
    ByteRange bytes = {0, 0};
    StateId state = 0;
  };

  PatternFacts& facts_;
  const bool backward_;
  const bool unshared_;
  std::uint64_t bytes_ = 0;
  StateId states_ = 0;
  // The table of the class being built: slots of older generations are free.
  std::uint64_t generation_ = 0;
  std::vector<ForwardSlot> forward_table_;
  std::vector<BackwardSlot> backward_table_;
  std::vector<Node> path_;
  std::size_t depth_ = 0;
  StateId target_ = 0;
};

// A bound on the size of either automaton that takes a moment to compute,
// so that only patterns near the limit are counted state by state. Each
// construct is charged at least what it can cost: a class in UTF-8 no more
// than its sequences' byte ranges laid out one state each, with room for
// the range, a branch and the table's root and end states.
class SizeBound {
 public:
  explicit SizeBound(const std::vector<CodePointSet>& sets) : sets_(sets) {}

  // The loop over any byte, the whole match as a group, and the match.
  std::uint64_t of_pattern(const Hir& root) { return add(of(root), 16 * kStateBytes); }

 private:
  static constexpr std::uint64_t kCap = std::uint64_t{1} << 62;

  static std::uint64_t add(std::uint64_t a, std::uint64_t b) { return std::min(a + b, kCap); }
  static std::uint64_t multiply(std::uint64_t a, std::uint64_t n) {
    return n != 0 && a > kCap / n ? kCap : a * n;
  }

  std::uint64_t of(const Hir& hir) {
    switch (hir.kind) {
      case Kind::kEmpty:
      case Kind::kLook: return kStateBytes;
      case Kind::kLiteral: return kStateBytes * utf8_length(hir.text);
      case Kind::kClass: return of_class(sets_[hir.set]);
      case Kind::kCapture: return add(of(hir.subs[0]), 3 * kStateBytes);
      case Kind::kConcat:
      case Kind::kAlternation: return of_items(hir);
      case Kind::kRepetition: {
        // Every form makes at most max(min, max, 1) copies, each with a
        // split and an empty state around it.
        const std::uint64_t copies = std::max<std::uint64_t>({hir.min, hir.max.value_or(0), 1});
        return add(multiply(add(of(hir.subs[0]), 2 * kStateBytes), copies), 4 * kStateBytes);
      }
    }
    return kCap;
  }

  std::uint64_t of_items(const Hir& hir) {
    std::uint64_t bytes = 2 * kStateBytes;
    std::uint64_t literal_bytes = 0;
    for (const Hir& sub : hir.subs) {
      bytes = add(bytes, add(of(sub), 2 * kBranchBytes));
      if (sub.kind == Kind::kLiteral) literal_bytes = add(literal_bytes, utf8_length(sub.text));
    }
    // A trie of literals: per byte at most a split, a state listing the
    // edge and its branches; per literal a branch to the end.
    const std::uint64_t trie =
        add(multiply(literal_bytes, 3 * kStateBytes), multiply(hir.subs.size(), kStateBytes));
    return hir.kind == Kind::kAlternation ? std::max(bytes, add(trie, 2 * kStateBytes)) : bytes;
  }

  static std::uint64_t utf8_length(std::u32string_view text) {
    std::uint64_t length = 0;
    for (const char32_t c : text) length += utf8::encoded_length(c);
    return length;
  }

  // A range of code points of one encoded length n has at most 2n-1 byte
  // sequences of n bytes; a range that spans lengths, or the surrogates,
  // at most the sum of its parts (65 bytes for everything). The ranges are
  // sorted, so they are counted by length with a few binary searches.
  static std::uint64_t of_class(const CodePointSet& set) {
    const auto ranges = set.ranges();
    if (set.is_ascii()) return 2 * kStateBytes + kRangeBytes * ranges.size();
    auto ending_by = [&](char32_t c) {
      return static_cast<std::uint64_t>(
          std::upper_bound(ranges.begin(), ranges.end(), c,
                           [](char32_t cp, const Range& r) { return cp < r.last; }) -
          ranges.begin());
    };
    const std::uint64_t one = ending_by(0x7F);
    const std::uint64_t two = ending_by(0x7FF) - one;
    const std::uint64_t three = ending_by(0xFFFF) - one - two;
    const std::uint64_t four = ranges.size() - one - two - three;
    const std::uint64_t sequence_bytes = one + 6 * two + 30 * three + 28 * four + 3 * 65;
    return 2 * kStateBytes + sequence_bytes * (kStateBytes + kRangeBytes + kBranchBytes);
  }

  const std::vector<CodePointSet>& sets_;
};

// The larger of the two automata; the backward one is not counted once the
// forward one is too large.
std::uint64_t larger_automaton(PatternFacts& facts, const Hir& root, bool unshared) {
  const std::uint64_t forward = AutomatonSize(facts, false, unshared).of_pattern(root);
  if (forward > kSizeLimit) return forward;
  return std::max(forward, AutomatonSize(facts, true, unshared).of_pattern(root));
}

}  // namespace

std::uint64_t automaton_size(const hir::Translation& translation) {
  PatternFacts facts(translation.sets);
  return larger_automaton(facts, translation.root, false);
}

std::uint64_t automaton_size_bound(const hir::Translation& translation) {
  PatternFacts facts(translation.sets);
  return larger_automaton(facts, translation.root, true);
}

std::uint64_t automaton_size_quick_bound(const hir::Translation& translation) {
  return SizeBound(translation.sets).of_pattern(translation.root);
}

bool within_size_limit(const hir::Translation& translation) {
  if (automaton_size_quick_bound(translation) <= kSizeLimit || is_literal_set(translation)) {
    return true;
  }
  PatternFacts facts(translation.sets);
  return larger_automaton(facts, translation.root, true) <= kSizeLimit ||
         larger_automaton(facts, translation.root, false) <= kSizeLimit;
}

}  // namespace korvel::regex
