// UTF-8 for wide text on hosts whose command line and output are bytes.
// Bytes that are not valid UTF-8 decode one by one to the lone surrogates
// U+DC80..U+DCFF, and AppendUtf8Bytes encodes them back to the same byte, so
// any byte string survives the round trip. Everything else is encoded by
// AppendUtf8, whose output is always valid UTF-8: any lone surrogate, those
// included, encodes as U+FFFD.
#ifndef VELK_COMMON_UTF8_H
#define VELK_COMMON_UTF8_H

#include <cstddef>
#include <string>

#include "platform/bcrypt_binding.h"

std::basic_string<WideChar> WideFromUtf8(const char* bytes);

void AppendUtf8(std::string& out, const WideChar* text, std::size_t length);

// For text that WideFromUtf8 decoded: gives back the bytes it came from.
void AppendUtf8Bytes(std::string& out, const WideChar* text, std::size_t length);

#endif
