#include "regex/lazy_dfa.hpp"

#include <algorithm>
#include <array>
#include <bit>

#include "regex/byte_decoding.hpp"
#include "regex/look_flags.hpp"

namespace korvel::regex {
namespace {

// A row entry is the address of the next state's row, or one of these. A
// state in which no match is under way, so that a prefilter may skip ahead,
// is named by its row's address with kQuiet added. Row addresses are far
// below the top bit, so one sign test tells every other entry apart.
using Entry = std::uintptr_t;
constexpr Entry kQuiet = Entry{1} << 63;
constexpr Entry kUnknown = ~Entry{0};
constexpr Entry kDead = ~Entry{1};
constexpr Entry kMatched = ~Entry{2};

bool is_special(Entry entry) { return static_cast<std::intptr_t>(entry) < 0; }

// Over fewer bytes than this, stepping through the states costs less than
// setting up a prefilter's search.
constexpr std::size_t kMinSkipped = 16;

// A cache clear is thrashing when, after a few, the search reads fewer bytes
// per state built than this.
constexpr std::size_t kMinClears = 3;
constexpr std::size_t kMinBytesPerState = 10;

std::size_t hash_words(std::span<const std::uint32_t> words) {
  std::uint64_t h = 0x9E3779B97F4A7C15u;
  for (const std::uint32_t word : words) h = (h ^ word) * 0x100000001B3u;
  return static_cast<std::size_t>(h ^ (h >> 29));
}

}  // namespace

// A state's identity: the instructions waiting for the next character (sorted),
// the flags of the character read last, and the bytes read of the next one.
struct DfaCache::Key {
  std::uint8_t flags = 0;
  Pending pending;
  std::span<const std::uint32_t> insts;

  // The stored form: a header word, the pending bytes, the count, the
  // instructions.
  std::array<std::uint32_t, 3> header() const {
    return {static_cast<std::uint32_t>(flags | pending.size << 8),
            static_cast<std::uint32_t>(pending.bytes[0] | pending.bytes[1] << 8 |
                                       pending.bytes[2] << 16),
            static_cast<std::uint32_t>(insts.size())};
  }
};

DfaCache::DfaCache(const Nfa& nfa, const Prefilter* prefilter, std::size_t budget)
    : nfa_(nfa),
      prefilter_(nfa.anchored || nfa.reverse ? nullptr : prefilter),
      budget_(budget),
      start_states_(kFlagCombinations, kUnknown),
      dense_(nfa.insts.size()),
      sparse_(nfa.insts.size()),
      stack_(2 * nfa.insts.size() + 1) {
  for (const Inst& inst : nfa.insts) {
    if (inst.op == Op::kLook) flags_mask_ |= flags_read_by(inst.look);
  }
  make_columns();
  next_.reserve(nfa.insts.size() + 1);
}

// Bytes that every state treats alike share a column: ASCII bytes that the
// program's characters, classes and looks do not tell apart. Every other
// byte has a column of its own, since the bytes of a longer character make
// states of their own.
void DfaCache::make_columns() {
  std::array<bool, 129> cut{};  // a column starts at this byte
  const auto cut_around = [&cut](char32_t first, char32_t last) {
    if (first < 0x80) cut[first] = true;
    if (last < 0x80) cut[last + 1] = true;
  };
  std::vector<bool> seen(nfa_.matchers.size());
  for (const Inst& inst : nfa_.insts) {
    if (inst.op == Op::kChar) cut_around(inst.arg, inst.arg);
    if (inst.op != Op::kClass || seen[inst.arg]) continue;
    seen[inst.arg] = true;
    // Where membership changes from one byte to the next.
    const auto& bits = nfa_.matchers[inst.arg].ascii();
    const std::uint64_t changes[2] = {bits[0] ^ (bits[0] << 1),
                                      bits[1] ^ (bits[1] << 1 | bits[0] >> 63)};
    for (unsigned word = 0; word < 2; ++word) {
      for (std::uint64_t left = changes[word]; left != 0; left &= left - 1) {
        cut[64 * word + std::countr_zero(left)] = true;
      }
    }
  }
  if (flags_mask_ & kLineFeed) cut_around('\n', '\n');
  if (flags_mask_ & kCarriageReturn) cut_around('\r', '\r');
  if (flags_mask_ & (kWordUnicode | kWordAscii)) {
    cut_around('0', '9');
    cut_around('A', 'Z');
    cut_around('_', '_');
    cut_around('a', 'z');
  }
  std::size_t column = 0;
  for (unsigned byte = 1; byte < 0x80; ++byte) {
    column += cut[byte];
    columns_[byte] = static_cast<std::uint8_t>(column);
  }
  for (unsigned byte = 0x80; byte < 256; ++byte) {
    columns_[byte] = static_cast<std::uint8_t>(column + byte - 0x7F);
  }
  end_column_ = column + 0x81;
  stride_ = end_column_ + 2;
}

DfaCache::Key DfaCache::key_of(const Entry* row) const {
  const std::uint32_t* words = keys_.data() + key_at_[row[stride_ - 1]];
  Key key;
  key.flags = static_cast<std::uint8_t>(words[0]);
  key.pending.size = static_cast<std::uint8_t>(words[0] >> 8);
  key.pending.bytes = {static_cast<std::uint8_t>(words[1]),
                       static_cast<std::uint8_t>(words[1] >> 8),
                       static_cast<std::uint8_t>(words[1] >> 16)};
  key.insts = {words + 3, words[2]};
  return key;
}

Entry DfaCache::start_state(std::uint8_t flags) {
  flags &= flags_mask_;
  Entry& state = start_states_[flags];
  if (state == kUnknown) {
    const std::uint32_t start = nfa_.start;
    state = intern({flags, {}, {&start, 1}});
    if (state != kUnknown && prefilter_ != nullptr) state |= kQuiet;
  }
  return state;
}

// The states reachable from the instructions in next_ without reading a
// character, between characters with flags `left` and `right`, end up in
// dense_; true when that reaches a match.
class DfaCache::Stepper {
 public:
  explicit Stepper(DfaCache& cache) : cache_(cache), insts_(cache.nfa_.insts) {}

  bool close(std::uint8_t left, std::uint8_t right) {
    count_ = 0;
    std::uint32_t* stack = cache_.stack_.data();
    for (const std::uint32_t root : cache_.next_) {
      std::size_t depth = 0;
      stack[depth++] = root;
      while (depth > 0) {
        const std::uint32_t pc = stack[--depth];
        if (!insert(pc)) continue;
        const Inst& inst = insts_[pc];
        switch (inst.op) {
          case Op::kMatch: return true;
          case Op::kJump: stack[depth++] = inst.out; break;
          case Op::kSplit:
            stack[depth++] = inst.arg;
            stack[depth++] = inst.out;
            break;
          case Op::kLook:
            if (holds(inst.look, left, right)) stack[depth++] = inst.out;
            break;
          case Op::kChar:
          case Op::kClass: break;
        }
      }
    }
    return false;
  }

  // Replaces next_ with the instructions that follow those of dense_ that
  // read `c`, sorted.
  void step(char32_t c) {
    std::vector<std::uint32_t>& next = cache_.next_;
    next.clear();
    for (std::uint32_t i = 0; i < count_; ++i) {
      const Inst& inst = insts_[cache_.dense_[i]];
      const bool reads = (inst.op == Op::kChar && inst.arg == c) ||
                         (inst.op == Op::kClass && cache_.nfa_.matchers[inst.arg].matches(c));
      if (reads) next.push_back(inst.out);
    }
    if (!cache_.nfa_.anchored) next.push_back(cache_.nfa_.start);
    std::sort(next.begin(), next.end());
    next.erase(std::unique(next.begin(), next.end()), next.end());
  }

 private:
  bool insert(std::uint32_t pc) {
    const std::uint32_t slot = cache_.sparse_[pc];
    if (slot < count_ && cache_.dense_[slot] == pc) return false;
    cache_.dense_[count_] = pc;
    cache_.sparse_[pc] = count_++;
    return true;
  }

  DfaCache& cache_;
  std::span<const Inst> insts_;
  std::uint32_t count_ = 0;
};

Entry DfaCache::transition(Entry* row, unsigned byte) {
  Entry& entry = row[byte == kEndOfText ? end_column_ : columns_[byte]];
  const Key from = key_of(row);
  const Decoding decoding =
      nfa_.reverse ? read_backward(from.pending, byte) : read_forward(from.pending, byte);
  next_.assign(from.insts.begin(), from.insts.end());
  std::uint8_t flags = from.flags;
  Stepper stepper(*this);
  for (std::uint8_t i = 0; i < decoding.count; ++i) {
    const char32_t c = decoding.chars[i];
    const std::uint8_t read = flags_of(c) & flags_mask_;
    const bool matched = nfa_.reverse ? stepper.close(read, flags) : stepper.close(flags, read);
    if (matched) return entry = kMatched;
    if (c == kNoChar) return entry = kDead;
    stepper.step(c);
    if (next_.empty()) return entry = kDead;
    flags = read;
  }
  const std::size_t clears = clears_;
  Entry next = intern({flags, decoding.pending, next_});
  if (next == kUnknown) return kUnknown;
  const bool quiet = prefilter_ != nullptr && decoding.pending.size == 0 && next_.size() == 1 &&
                     next_[0] == nfa_.start;
  if (quiet) next |= kQuiet;
  // A clear gave the row to another state.
  if (clears == clears_) entry = next;
  return next;
}

Entry DfaCache::intern(const Key& key) {
  const auto header = key.header();
  const std::size_t hash = hash_words(header) ^ hash_words(key.insts);
  if (!slots_.empty()) {
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
      const std::uint32_t slot = slots_[i];
      if (slot == 0) break;
      const std::uint32_t* words = keys_.data() + key_at_[slot - 1];
      if (std::equal(header.begin(), header.end(), words) &&
          std::equal(key.insts.begin(), key.insts.end(), words + 3)) {
        return reinterpret_cast<Entry>(rows_[slot - 1]);
      }
    }
  }
  return add_state(key, hash);
}

std::size_t DfaCache::memory() const {
  return states_ * stride_ * sizeof(Entry) +
         (keys_.size() + key_at_.size() + slots_.size()) * sizeof(std::uint32_t);
}

Entry DfaCache::add_state(const Key& key, std::size_t hash) {
  const std::size_t cost =
      stride_ * sizeof(Entry) + (key.insts.size() + 4 + 2) * sizeof(std::uint32_t);
  if (memory() + cost > budget_) {
    // The key may point into the cache; next_ holds it otherwise.
    if (key.insts.data() != next_.data()) next_.assign(key.insts.begin(), key.insts.end());
    Key kept = key;
    kept.insts = next_;
    const bool thrashing =
        clears_ + 1 >= kMinClears && read_since_clear() < kMinBytesPerState * states_since_clear_;
    clear();
    if (thrashing || cost * 2 > budget_) return kUnknown;
    return add_state(kept, hash);
  }
  if (2 * (states_ + 1) > slots_.size()) rehash(states_ + 1);
  std::size_t i = hash & (slots_.size() - 1);
  while (slots_[i] != 0) i = (i + 1) & (slots_.size() - 1);
  slots_[i] = static_cast<std::uint32_t>(states_ + 1);
  key_at_.push_back(static_cast<std::uint32_t>(keys_.size()));
  const auto header = key.header();
  keys_.insert(keys_.end(), header.begin(), header.end());
  keys_.insert(keys_.end(), key.insts.begin(), key.insts.end());
  if (states_ == rows_.size()) add_rows();
  Entry* row = rows_[states_];
  std::fill_n(row, end_column_ + 1, kUnknown);
  row[stride_ - 1] = states_;
  ++states_;
  ++states_since_clear_;
  return reinterpret_cast<Entry>(row);
}

// Rows live in chunks that never move, so that entries can hold their
// addresses; a clear keeps the chunks for the states that follow.
void DfaCache::add_rows() {
  const std::size_t count = std::max<std::size_t>(4, rows_.size());
  chunks_.push_back(std::make_unique_for_overwrite<Entry[]>(count * stride_));
  for (std::size_t k = 0; k < count; ++k) rows_.push_back(chunks_.back().get() + k * stride_);
}

void DfaCache::rehash(std::size_t states) {
  slots_.assign(std::bit_ceil(std::max<std::size_t>(64, 4 * states)), 0);
  for (std::size_t k = 0; k < states_; ++k) {
    const std::uint32_t* words = keys_.data() + key_at_[k];
    const std::size_t h =
        hash_words({words, 3}) ^ hash_words({words + 3, static_cast<std::size_t>(words[2])});
    std::size_t i = h & (slots_.size() - 1);
    while (slots_[i] != 0) i = (i + 1) & (slots_.size() - 1);
    slots_[i] = static_cast<std::uint32_t>(k + 1);
  }
}

void DfaCache::clear() {
  states_ = 0;
  keys_.clear();
  key_at_.clear();
  std::fill(slots_.begin(), slots_.end(), 0);
  std::fill(start_states_.begin(), start_states_.end(), kUnknown);
  ++clears_;
  states_since_clear_ = 0;
  clear_position_ = position_;
}

std::size_t DfaCache::read_since_clear() const {
  return position_ > clear_position_ ? position_ - clear_position_ : clear_position_ - position_;
}

void DfaCache::begin_search(std::size_t at) {
  clears_ = 0;
  states_since_clear_ = 0;
  clear_position_ = at;
  position_ = at;
}

DfaResult DfaCache::forward(std::string_view text, std::size_t at) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t size = text.size();
  const std::uint8_t* columns = columns_.data();
  begin_search(at);
  Entry state = start_state(flags_of(char_before(text, at)));
  while (true) {
    if (state != kUnknown && (state & kQuiet) != 0) {
      if (size - at >= kMinSkipped) {
        const std::size_t found = prefilter_->find(text, at);
        if (found == std::string_view::npos) return {DfaOutcome::kNoMatch, size};
        if (found != at) {
          at = found;
          state = start_state(flags_of(char_before(text, at)));
        }
      }
      if (state != kUnknown) state &= ~kQuiet;
    }
    if (state == kUnknown) return {DfaOutcome::kGaveUp, at};
    const Entry* row = reinterpret_cast<const Entry*>(state);
    Entry next = kUnknown;
    while (at < size) {
      next = row[columns[bytes[at]]];
      if (is_special(next)) break;
      row = reinterpret_cast<const Entry*>(next);
      ++at;
    }
    const unsigned byte = at < size ? bytes[at] : kEndOfText;
    if (at == size) next = row[end_column_];
    if (next == kUnknown) {
      position_ = at;
      next = transition(const_cast<Entry*>(row), byte);
    }
    if (next == kMatched) return {DfaOutcome::kMatch, at};
    if (next == kDead) return {DfaOutcome::kNoMatch, at};
    state = next;
    ++at;
  }
}

DfaResult DfaCache::reverse(std::string_view text, std::size_t at, std::size_t floor) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  const std::uint8_t* columns = columns_.data();
  begin_search(at);
  Entry state = start_state(flags_of(char_after(text, at)));
  while (true) {
    if (state == kUnknown) return {DfaOutcome::kGaveUp, at};
    const Entry* row = reinterpret_cast<const Entry*>(state);
    Entry next = kUnknown;
    while (at > floor) {
      next = row[columns[bytes[at - 1]]];
      if (is_special(next)) break;
      row = reinterpret_cast<const Entry*>(next);
      --at;
    }
    if (at == floor && floor > 0) return {DfaOutcome::kStopped, at};
    const unsigned byte = at > 0 ? bytes[at - 1] : kEndOfText;
    if (at == 0) next = row[end_column_];
    if (next == kUnknown) {
      position_ = at;
      next = transition(const_cast<Entry*>(row), byte);
    }
    if (next == kMatched) return {DfaOutcome::kMatch, at};
    if (next == kDead) return {DfaOutcome::kNoMatch, at};
    state = next;
    --at;
  }
}

}  // namespace korvel::regex
