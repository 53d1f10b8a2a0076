// The recording fake as a bcrypt.dll, for the Windows program: scripted, when
// it is loaded, from the file that VELK_FAKE_SCRIPT names, and appending each
// call as one line to the file that VELK_FAKE_RECORD names, as it is made.
// Settings and paths are read as wide text, so that nothing passes through
// the ANSI code page.
#include <windows.h>

#include <cstdio>
#include <string>

#include "fake_bcrypt.h"

namespace {

std::wstring Setting(const wchar_t* name) {
  const wchar_t* value = _wgetenv(name);
  return value == nullptr ? std::wstring() : std::wstring(value);
}

std::string ReadAll(const std::wstring& path) {
  std::string text;
  if (FILE* file = _wfopen(path.c_str(), L"rb")) {
    char chunk[4096];
    for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, file)) > 0;) text.append(chunk, got);
    std::fclose(file);
  }
  return text;
}

void Append(const fake_bcrypt::Call& call) {
  static const std::wstring path = Setting(L"VELK_FAKE_RECORD");
  if (path.empty()) return;
  const std::string line = fake_bcrypt::DescribeCall(call, fake_bcrypt::ListingBuffer()) + "\n";
  if (FILE* file = _wfopen(path.c_str(), L"ab")) {
    std::fwrite(line.data(), 1, line.size(), file);
    std::fclose(file);
  }
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    const std::wstring script = Setting(L"VELK_FAKE_SCRIPT");
    fake_bcrypt::LoadScript(script.empty() ? std::string() : ReadAll(script));
    fake_bcrypt::ObserveCalls(Append);
  }
  return TRUE;
}
