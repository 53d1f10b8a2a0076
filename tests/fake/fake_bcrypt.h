// A recording stand-in for the seven bcrypt.dll functions: every call is
// recorded with all its arguments (the registration record copied out field
// by field), statuses are scripted per function, and the listing hands back
// a scripted buffer whose release is recorded.
#ifndef VELK_TESTS_FAKE_BCRYPT_H
#define VELK_TESTS_FAKE_BCRYPT_H

#include <optional>
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

}  // namespace fake_bcrypt

#endif
