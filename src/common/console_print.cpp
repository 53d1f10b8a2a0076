#include "console_print.h"

#include <string>

#include "console_output.h"

namespace {

void AppendHex8(std::basic_string<WideChar>& out, std::uint32_t value) {
  static constexpr char DIGITS[] = "0123456789abcdef";
  for (int shift = 28; shift >= 0; shift -= 4) {
    out.push_back(static_cast<WideChar>(DIGITS[(value >> shift) & 0xFu]));
  }
}

void AppendText(std::basic_string<WideChar>& out, const WideChar* text) {
  if (text == nullptr) {
    out += WIDE("(null)");
    return;
  }
  out += text;
}

}  // namespace

void ConsolePrintValues(const WideChar* format, const ConsoleValue* values, std::size_t count) {
  // One thread: the message buffer is reused from call to call.
  static std::basic_string<WideChar> message;
  message.clear();
  std::size_t next = 0;
  std::size_t bytesFrom = 0;
  std::size_t bytesTo = 0;
  for (const WideChar* p = format; *p != 0; ++p) {
    // The format was checked at compile time: every '%' starts "%s" or "%08x"
    // and there is a value for each.
    if (*p != '%' || next >= count) {
      message.push_back(*p);
    } else if (p[1] == 's') {
      const WideChar* text = values[next++].text;
      if (IsCommandLineText(text)) bytesFrom = message.size();
      AppendText(message, text);
      if (IsCommandLineText(text)) bytesTo = message.size();
      p += 1;
    } else {
      AppendHex8(message, values[next++].number);
      p += 3;
    }
  }
  WriteConsoleText(message.data(), message.size(), bytesFrom, bytesTo);
}
