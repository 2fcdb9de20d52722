// A strict JSON reader (RFC 8259). It checks the whole text and tells a handler what it finds, in
// the order of the text; it keeps nothing itself, so a large text costs no memory beyond the
// handler's.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace pw {

// Arrays and objects nest at most this deep, the outermost counting as 1; deeper text is refused
// rather than recursed into.
inline constexpr int kMaxJsonDepth = 128;

// A number as written. `integer` holds its value when the number is a plain integer (no fraction,
// no exponent) within the signed 64-bit range; fractions, exponents and larger magnitudes are
// valid JSON but leave it empty.
struct JsonNumber {
  std::string_view text;
  std::optional<int64_t> integer;
};

// What the reader finds. Member names and strings arrive decoded: escapes resolved, UTF-8
// throughout, a lone surrogate escape ("\ud800") as U+FFFD. The views are valid during the call
// only. An object's members arrive as memberName followed by the member's value.
class JsonHandler {
 public:
  virtual ~JsonHandler() = default;
  virtual void beginObject() {}
  virtual void memberName(std::string_view /*name*/) {}
  virtual void endObject() {}
  virtual void beginArray() {}
  virtual void endArray() {}
  virtual void stringValue(std::string_view /*text*/) {}
  virtual void numberValue(const JsonNumber& /*number*/) {}
  virtual void boolValue(bool /*value*/) {}
  virtual void nullValue() {}
};

// Reads `text`, which must be exactly one JSON value with only white space around it; a UTF-8
// byte-order mark before it, as some editors write, is passed over. Strings must be well-formed
// UTF-8. Returns false at the first fault; the handler has then been told what came before it.
bool readJson(std::string_view text, JsonHandler& handler);

}  // namespace pw
