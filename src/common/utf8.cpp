#include "utf8.h"

#include <cstdint>

namespace {

constexpr char32_t ESCAPE_BASE = 0xDC00;

bool IsContinuation(unsigned char byte) { return (byte & 0xC0u) == 0x80u; }

// Length of the well-formed sequence at p (1 to 4), or 0 when the byte at p
// does not start one. The ranges are those of the Unicode standard's table
// of well-formed byte sequences: no overlong forms, no surrogates, nothing
// above U+10FFFF.
std::size_t SequenceLength(const unsigned char* p) {
  const unsigned char lead = p[0];
  if (lead < 0x80) return 1;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  std::size_t length = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (p[1] < low || p[1] > high) return 0;  // also stops at the terminating NUL
  for (std::size_t i = 2; i < length; ++i) {
    if (!IsContinuation(p[i])) return 0;
  }
  return length;
}

char32_t DecodeSequence(const unsigned char* p, std::size_t length) {
  if (length == 1) return p[0];
  char32_t value = p[0] & (0x7Fu >> length);
  for (std::size_t i = 1; i < length; ++i) value = (value << 6) | (p[i] & 0x3Fu);
  return value;
}

void AppendWide(std::basic_string<WideChar>& out, char32_t c) {
  if (c < 0x10000) {
    out.push_back(static_cast<WideChar>(c));
    return;
  }
  c -= 0x10000;
  out.push_back(static_cast<WideChar>(0xD800 + (c >> 10)));
  out.push_back(static_cast<WideChar>(0xDC00 + (c & 0x3FF)));
}

void AppendCodePoint(std::string& out, char32_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

bool IsHighSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

}  // namespace

std::basic_string<WideChar> WideFromUtf8(const char* bytes) {
  std::basic_string<WideChar> out;
  const auto* p = reinterpret_cast<const unsigned char*>(bytes);
  while (*p != 0) {
    const std::size_t length = SequenceLength(p);
    if (length == 0) {
      out.push_back(static_cast<WideChar>(ESCAPE_BASE + *p));
      ++p;
    } else {
      AppendWide(out, DecodeSequence(p, length));
      p += length;
    }
  }
  return out;
}

namespace {

template <bool bytesBack>
void Encode(std::string& out, const WideChar* text, std::size_t length) {
  for (std::size_t i = 0; i < length; ++i) {
    // A run of ASCII, the common case, is copied as it is.
    std::size_t ascii = i;
    while (ascii < length && static_cast<char16_t>(text[ascii]) < 0x80) ++ascii;
    if (ascii > i) {
      const std::size_t had = out.size();
      out.resize(had + (ascii - i));
      for (std::size_t k = i; k < ascii; ++k) out[had + k - i] = static_cast<char>(text[k]);
      i = ascii;
      if (i == length) break;
    }
    const char32_t unit = static_cast<char16_t>(text[i]);
    if (IsHighSurrogate(unit) && i + 1 < length && IsLowSurrogate(static_cast<char16_t>(text[i + 1]))) {
      const char32_t low = static_cast<char16_t>(text[++i]);
      AppendCodePoint(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
    } else if (bytesBack && unit >= ESCAPE_BASE + 0x80 && unit <= ESCAPE_BASE + 0xFF) {
      out.push_back(static_cast<char>(unit - ESCAPE_BASE));
    } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
      AppendCodePoint(out, 0xFFFD);
    } else {
      AppendCodePoint(out, unit);
    }
  }
}

}  // namespace

void AppendUtf8(std::string& out, const WideChar* text, std::size_t length) { Encode<false>(out, text, length); }

void AppendUtf8Bytes(std::string& out, const WideChar* text, std::size_t length) {
  Encode<true>(out, text, length);
}
