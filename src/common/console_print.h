// ConsolePrint: the one output routine. It knows two placeholders, "%s" for a
// wide string and "%08x" for a 32-bit value printed as unsigned in eight
// lower-case hexadecimal digits. The format must be a literal: its
// placeholders are checked against the arguments' types at compile time, so
// text from the command line or the platform can only ever be a value.
#ifndef VELK_COMMON_CONSOLE_PRINT_H
#define VELK_COMMON_CONSOLE_PRINT_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "platform/bcrypt_binding.h"

struct ConsoleValue {
  const WideChar* text;  // for "%s"
  std::uint32_t number;  // for "%08x"
};

namespace console_format {

enum class Kind { Text, Number };

template <typename T>
inline constexpr bool IS_TEXT = std::is_same_v<std::decay_t<T>, const WideChar*> ||
                                std::is_same_v<std::decay_t<T>, WideChar*>;

template <typename T>
inline constexpr bool IS_NUMBER = std::is_integral_v<T> && !std::is_same_v<T, bool> &&
                                  sizeof(T) == sizeof(std::uint32_t);

template <typename T>
constexpr Kind KindOf() {
  static_assert(IS_TEXT<T> || IS_NUMBER<T>,
                "ConsolePrint takes wide strings for %s and 32-bit integers for %08x");
  return IS_TEXT<T> ? Kind::Text : Kind::Number;
}

// Not constexpr: reaching one during constant evaluation makes the call
// ill-formed, and its name in the compiler's message says what is wrong.
void UnknownPlaceholder();            // a '%' that starts neither %s nor %08x
void ValueDoesNotMatchPlaceholder();  // a number for %s, or a text for %08x
void TooFewValues();
void TooManyValues();
void FormatIsNotAStringLiteral();

// The placeholder that starts at text[i], with its length; 0 when none does.
template <std::size_t N>
constexpr std::size_t PlaceholderLength(const WideChar (&text)[N], std::size_t i, Kind& kind) {
  if (i + 1 < N && text[i + 1] == 's') {
    kind = Kind::Text;
    return 2;
  }
  if (i + 4 < N && text[i + 1] == '0' && text[i + 2] == '8' && text[i + 3] == 'x') {
    kind = Kind::Number;
    return 4;
  }
  return 0;
}

}  // namespace console_format

template <typename... Args>
struct ConsoleFormat {
  template <std::size_t N>
  consteval ConsoleFormat(const WideChar (&format)[N]) : text(format) {
    constexpr std::array<console_format::Kind, sizeof...(Args)> expected{
        console_format::KindOf<Args>()...};
    std::size_t next = 0;
    for (std::size_t i = 0; i + 1 < N; ++i) {
      if (format[i] != '%') continue;
      console_format::Kind kind{};
      const std::size_t length = console_format::PlaceholderLength(format, i, kind);
      if (length == 0) console_format::UnknownPlaceholder();
      if (next >= expected.size()) console_format::TooFewValues();
      if (expected[next] != kind) console_format::ValueDoesNotMatchPlaceholder();
      ++next;
      i += length - 1;
    }
    if (next != expected.size()) console_format::TooManyValues();
    if (format[N - 1] != 0) console_format::FormatIsNotAStringLiteral();
  }

  const WideChar* text;
};

// Formats with checked placeholders and writes to standard output.
void ConsolePrintValues(const WideChar* format, const ConsoleValue* values, std::size_t count);

template <typename T>
ConsoleValue ToConsoleValue(const T& value) {
  if constexpr (console_format::IS_TEXT<T>) {
    return ConsoleValue{value, 0};
  } else {
    return ConsoleValue{nullptr, static_cast<std::uint32_t>(value)};
  }
}

template <typename... Args>
void ConsolePrint(ConsoleFormat<std::type_identity_t<Args>...> format, const Args&... args) {
  const std::array<ConsoleValue, sizeof...(Args)> values{ToConsoleValue(args)...};
  ConsolePrintValues(format.text, values.data(), values.size());
}

#endif
