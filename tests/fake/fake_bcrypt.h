// A recording stand-in for the seven bcrypt.dll functions: every call is
// recorded with all its arguments (the registration record copied out field
// by field), statuses are scripted per function, and the listing hands back
// a scripted buffer whose release is recorded.
#ifndef VELK_TESTS_FAKE_BCRYPT_H
#define VELK_TESTS_FAKE_BCRYPT_H

#include <optional>
#include <utility>
#include <string>
#include <vector>

#include "platform/bcrypt_binding.h"

namespace fake_bcrypt {

using Text = std::basic_string<WideChar>;

struct InterfaceCopy {
  ULONG id = 0;
  ULONG flags = 0;
  std::vector<Text> functions;
  bool operator==(const InterfaceCopy&) const = default;
};

struct ImageCopy {
  Text image;
  std::vector<InterfaceCopy> interfaces;
  bool operator==(const ImageCopy&) const = default;
};

struct RegistrationCopy {
  std::vector<Text> aliases;
  std::optional<ImageCopy> userMode;
  std::optional<ImageCopy> kernelMode;
  bool operator==(const RegistrationCopy&) const = default;
};

struct Call {
  std::string function;  // the platform name
  ULONG table = 0;
  std::optional<Text> context;  // empty: a null pointer
  ULONG interfaceId = 0;
  Text functionName;
  Text provider;
  ULONG position = 0;
  ULONG flags = 0;
  std::optional<RegistrationCopy> registration;
  ULONG sizeOnEntry = 0;          // listing: what the size held when called
  bool bufferNullOnEntry = false;  // listing: whether the buffer pointer was null
  const void* released = nullptr;  // release: the pointer handed back
  bool operator==(const Call&) const = default;
};

void Reset();
// Every later call of the named function returns this status.
void ScriptStatus(const std::string& function, NTSTATUS status);
// The listing hands back a buffer holding these names; without this it hands
// back a null pointer.
void ScriptListing(const std::vector<Text>& names);

const std::vector<Call>& Calls();
std::vector<std::string> CallNames();
// The buffer the last listing handed back, or null.
const void* ListingBuffer();

// Has the callback see each call as it is recorded.
void ObserveCalls(void (*callback)(const Call&));

// One line that shows every field of a call; a released pointer shows as
// "listing" when it is the listing's buffer.
std::string DescribeCall(const Call& call, const void* listing);

// The script of a run as text, so that another process can take it: each
// function's status, and the names of the listing (none: a null buffer).
struct Script {
  std::vector<std::pair<std::string, NTSTATUS>> statuses;
  std::optional<std::vector<Text>> listing;
};
std::string FormatScript(const Script& script);
// Resets the fake and scripts it from FormatScript's text.
void LoadScript(const std::string& text);

}  // namespace fake_bcrypt

#endif
