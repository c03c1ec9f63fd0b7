// A lazy DFA: the deterministic automaton of a program, built one transition
// at a time as a search first needs it, in a cache of bounded size.
//
// A state is the set of instructions that wait for the next character, with
// what the looks need to know of the character just read and, inside a
// multi-byte character, the bytes read of it so far. The automaton reads the
// text a byte at a time; a state's transitions are computed from the program
// the first time each is taken and then read from a table, so a search costs
// one table lookup per byte once the states it visits exist. Texts are read
// as the Pike VM reads them: a byte that is not part of well-formed UTF-8 is
// a character of its own that matches nothing and is no word character.
//
// A search whose states do not fit the cache clears it and goes on; one that
// clears it again and again, reading few bytes per state built, gives up, and
// the caller runs the Pike VM instead. Either way the time is linear in the
// text.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "regex/program.hpp"

namespace korvel::regex {

// What a lazy DFA runs: instructions from `start`, over the classes of
// `matchers`, reading the text left to right or (`reverse`) right to left.
// Unanchored, a match may begin anywhere after the search's start; anchored,
// only where the search starts.
struct Nfa {
  std::span<const Inst> insts;
  std::span<const ClassMatcher> matchers;
  std::uint32_t start = 0;
  bool anchored = false;
  bool reverse = false;
};

// Where a forward search may skip to: the first position at or after `from`
// where a match can start, or npos when none can. It never skips a match.
class Prefilter {
 public:
  virtual ~Prefilter() = default;
  virtual std::size_t find(std::string_view text, std::size_t from) const = 0;
};

enum class DfaOutcome : std::uint8_t {
  kMatch,
  kNoMatch,
  kStopped,  // reached the floor of a reverse search undecided
  kGaveUp,   // the cache thrashed
};

struct DfaResult {
  DfaOutcome outcome;
  std::size_t at;  // where the search stopped
};

// The states of one Nfa, for one thread at a time.
class DfaCache {
 public:
  // The states take at most about `budget` bytes. With a prefilter, a
  // forward search consults it whenever no match is under way.
  DfaCache(const Nfa& nfa, const Prefilter* prefilter, std::size_t budget);

  // Whether a match starts at or after `at`, which must be a character
  // boundary; the whole text is context for the looks.
  DfaResult forward(std::string_view text, std::size_t at);

  // Reads right to left from `at` (a character boundary) down to `floor`
  // (also one): whether a match starts at `at` and ends at or after `floor`,
  // or kStopped when that is not settled at the floor. A floor of 0 settles
  // it.
  DfaResult reverse(std::string_view text, std::size_t at, std::size_t floor);

 private:
  struct Key;
  class Stepper;
  // A row entry: the address of the next state's row, or a mark.
  using Entry = std::uintptr_t;

  void make_columns();
  Entry start_state(std::uint8_t flags);
  Entry transition(Entry* row, unsigned byte);
  Entry intern(const Key& key);
  Entry add_state(const Key& key, std::size_t hash);
  void add_rows();
  void rehash(std::size_t states);
  void clear();
  std::size_t memory() const;
  void begin_search(std::size_t at);
  std::size_t read_since_clear() const;
  Key key_of(const Entry* row) const;

  const Nfa& nfa_;
  const Prefilter* prefilter_;
  std::size_t budget_;
  std::uint8_t flags_mask_ = 0;  // what the program's looks read

  // A state's row has an entry per column of bytes, one for the end of the
  // text, and the state's number.
  std::array<std::uint8_t, 256> columns_{};
  std::size_t end_column_ = 0;
  std::size_t stride_ = 0;
  std::vector<std::unique_ptr<Entry[]>> chunks_;
  std::vector<Entry*> rows_;  // by state number, as far as chunks reach
  std::size_t states_ = 0;
  // State k's key: its flags and pending bytes, then its instructions.
  std::vector<std::uint32_t> keys_;
  std::vector<std::uint32_t> key_at_;
  // Open addressing over states, by key: state + 1, or 0 for a free slot.
  std::vector<std::uint32_t> slots_;
  std::vector<Entry> start_states_;

  // Thrash detection, per search: where the search is and was at the last
  // clear, and what it has built since.
  std::size_t clears_ = 0;
  std::size_t states_since_clear_ = 0;
  std::size_t position_ = 0;
  std::size_t clear_position_ = 0;

  // Scratch for computing a transition.
  std::vector<std::uint32_t> dense_;
  std::vector<std::uint32_t> sparse_;
  std::vector<std::uint32_t> stack_;
  std::vector<std::uint32_t> next_;
};

}  // namespace korvel::regex
