// Wide text: UTF-16 code units, the platform's WCHAR. On Windows that is
// wchar_t; elsewhere wchar_t is wider, so char16_t stands in for it.
#ifndef VELK_COMMON_WIDE_TEXT_H
#define VELK_COMMON_WIDE_TEXT_H

#if defined(_WIN32)
using WideChar = wchar_t;
#define WIDE(text) L##text
#else
using WideChar = char16_t;
#define WIDE(text) u##text
#endif

static_assert(sizeof(WideChar) == 2, "wide text is UTF-16");

#endif
