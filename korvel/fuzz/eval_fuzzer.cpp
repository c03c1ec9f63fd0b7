// Evaluates an expression against bound data that the input describes.
//
// Input: the expression text, a NUL byte, then up to four values bound to the
// names a, b, c and d, each decoded from the bytes by DataReader below. Every
// builtin is reachable: besides the default table's names, "encode" and
// "decode" call base64Encode and base64Decode, which expression text cannot
// name. A tree is evaluated as parsed (borrowing from the input), again after
// into_owned, and as a compiled expression: all must give the same result or
// error. The compiled expression runs once more with the default table, whose
// calls go straight to the builtins, when a run with a table of the same
// names refused nothing for its size.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>
#include <string>
#include <string_view>
#include <utility>

#include "builtins/builtins.hpp"
#include "fuzz_checks.hpp"
#include "korvel/compiled_exp.hpp"
#include "korvel/interpreter.hpp"
#include "korvel/parser.hpp"
#include "test_json.hpp"
#include "text/text_form.hpp"

namespace {

using korvel::Value;
using korvel::testing::Json;

// Reads values from bytes; when the bytes run out every read yields zeros,
// so any input decodes to something.
class DataReader {
 public:
  explicit DataReader(std::string_view bytes) : bytes_(bytes) {}

  bool done() const { return bytes_.empty(); }

  Json value(int depth = 0) {
    switch (byte() % 10) {
      case 0: return Json();
      case 1: return Json(byte() % 2 == 1);
      case 2: return Json(static_cast<int>(static_cast<std::int8_t>(byte())));
      case 3: return Json(static_cast<std::int64_t>(word()));
      case 4: return Json(Json::UInt{word()});
      case 5: {
        const std::uint64_t bits = word();
        double d;
        std::memcpy(&d, &bits, sizeof d);
        return Json(d);
      }
      case 6:
      case 7: return Json(text());
      case 8: {
        Json::ArrayType items;
        if (depth < kMaxDepth) {
          for (int n = byte() % 6; n > 0 && !done(); --n) items.push_back(value(depth + 1));
        }
        return Json(std::move(items));
      }
      default: {
        // Keys may repeat: the conversion keeps the last member of a key.
        Json::ObjectType members;
        if (depth < kMaxDepth) {
          for (int n = byte() % 6; n > 0 && !done(); --n) {
            std::string key = text();
            members.emplace_back(std::move(key), value(depth + 1));
          }
        }
        return Json(std::move(members));
      }
    }
  }

 private:
  static constexpr int kMaxDepth = 6;

  std::uint8_t byte() {
    if (bytes_.empty()) return 0;
    const auto b = static_cast<std::uint8_t>(bytes_.front());
    bytes_.remove_prefix(1);
    return b;
  }
  std::uint64_t word() {
    std::uint64_t w = 0;
    for (int i = 0; i < 8; ++i) w = w << 8 | byte();
    return w;
  }
  std::string text() {
    const std::size_t length = std::min<std::size_t>(byte() % 32, bytes_.size());
    std::string s(bytes_.substr(0, length));
    bytes_.remove_prefix(length);
    return s;
  }

  std::string_view bytes_;
};

// The size of a value, counting texts by their bytes and containers by their
// entries, with a cap so that the walk stays short.
std::size_t weight(const Value& value, std::size_t cap) {
  std::size_t total = 1;
  if (const auto* text = value.get_if<korvel::Text>()) return total + text->view().size();
  if (const auto* array = value.get_if<korvel::Array>()) {
    for (const Value& item : *array) {
      if ((total += weight(item, cap)) > cap) break;
    }
  } else if (const auto* object = value.get_if<korvel::Object>()) {
    for (const auto& entry : *object) {
      if ((total += entry.key.size() + weight(entry.value, cap)) > cap) break;
    }
  }
  return total;
}

// A builtin that refuses large arguments. Nested calls such as
// replace(replace(s, "", s), "", s) grow texts geometrically; refusing large
// inputs keeps every allocation small without changing any builtin.
constexpr std::string_view kRefusal = "too large";

korvel::FnCallback bounded(korvel::FnResult (*function)(korvel::Arguments)) {
  constexpr std::size_t kMaxWeight = 4096;
  return korvel::FnCallback::Sync{std::make_shared<const korvel::SyncFunction>(
      [function](korvel::Arguments args) -> korvel::FnResult {
        std::size_t total = 0;
        for (const Value& arg : args) total += weight(arg, kMaxWeight);
        if (total > kMaxWeight) {
          return korvel::Unexpected(
              korvel::EvalError(korvel::EvalError::ValueError{std::string(kRefusal)}));
        }
        return function(args);
      })};
}

// The builtins under the default table's names, each refusing large arguments.
const korvel::FunctionTable& bounded_defaults() {
  static const korvel::FunctionTable table = [] {
    korvel::FunctionTable t;
    for (const auto& [name, function] : korvel::functions::builtins()) {
      t.emplace(name, bounded(function));
    }
    return t;
  }();
  return table;
}

// The same, with "encode" and "decode" for the two that text cannot name.
const korvel::FunctionTable& functions() {
  static const korvel::FunctionTable table = [] {
    korvel::FunctionTable t = bounded_defaults();
    t.emplace("encode", bounded(korvel::functions::base64_encode));
    t.emplace("decode", bounded(korvel::functions::base64_decode));
    return t;
  }();
  return table;
}

// The result or the error of one evaluation, as text, so that two runs can
// be compared (a NaN makes equal values unequal).
std::string describe(const korvel::interpreter::EvalResult& result) {
  if (!result) return "error: " + korvel::to_string(result.error());
  const Value value = Value(result->get()).into_owned();
  std::string out;
  korvel::write_debug(out, value);
  out.push_back('\n');
  korvel::write_text_form(out, value);
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t split = input.find('\0');
  const std::string_view text = input.substr(0, split);
  DataReader reader(split == std::string_view::npos ? "" : input.substr(split + 1));

  korvel::fuzz::abort_on_internal_stop([&] {
    auto parsed = korvel::parser::parse_exp(text);
    if (!parsed) return;
    korvel::Bindings<Json> bindings;
    for (const char* name : {"a", "b", "c", "d"}) {
      if (reader.done()) break;
      bindings.emplace(name, reader.value());
    }
    auto env_with = [&](const korvel::FunctionTable* table) {
      korvel::EnvBuilder<Json> builder =
          table ? korvel::EnvBuilder<Json>(table) : korvel::EnvBuilder<Json>();
      return builder.bind_multiple(bindings).build();
    };
    namespace interpreter = korvel::interpreter;
    const auto env = env_with(&functions());
    const std::string borrowing = describe(interpreter::eval(parsed->value, env));
    const korvel::Exp owned = std::move(parsed->value).into_owned();
    korvel::fuzz::check(describe(interpreter::eval(owned, env)) == borrowing);
    const korvel::CompiledExp compiled(owned);
    korvel::fuzz::check(describe(interpreter::eval(compiled, env)) == borrowing);

    const std::string by_name = describe(interpreter::eval(owned, env_with(&bounded_defaults())));
    if (by_name.find(kRefusal) != std::string::npos) return;
    korvel::fuzz::check(describe(interpreter::eval(compiled, env_with(nullptr))) == by_name);
  });
  return 0;
}
