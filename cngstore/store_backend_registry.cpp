// The configuration kept in the registry, where the platform keeps it:
//
//   HKLM\SYSTEM\CurrentControlSet\Control\Cryptography
//     Providers\<provider>              Aliases (REG_MULTI_SZ, when there are any)
//       UM | KM                         Image (REG_SZ)
//         <interface, 8 hex digits>     Flags (REG_DWORD), Functions (REG_MULTI_SZ)
//     Configuration\Local\<context>
//       <interface, 8 hex digits>       Functions (REG_MULTI_SZ, in priority order)
//         <function>                    Providers (REG_MULTI_SZ, in priority order)
//
// Keys are opened in the 64-bit view, so that 32-bit and 64-bit programs see
// one configuration. Every call holds one named mutex for its whole
// read-modify-write, so that changes from many processes lose nothing.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "store_backend.h"
#include "listing_block.h"

namespace cngstore {
namespace {

constexpr wchar_t CRYPTOGRAPHY[] = L"SYSTEM\\CurrentControlSet\\Control\\Cryptography";
constexpr wchar_t LOCK_NAME[] = L"Global\\CngConfigurationStandInLock";
constexpr REGSAM VIEW = KEY_WOW64_64KEY;

// A registry key, closed when it goes out of scope.
struct Key {
  HKEY handle = nullptr;
  Key() = default;
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;
  ~Key() {
    if (handle != nullptr) RegCloseKey(handle);
  }
};

// The mutex held for one call; a holder that died leaves it to the next.
struct Lock {
  HANDLE mutex = CreateMutexW(nullptr, FALSE, LOCK_NAME);
  bool held = mutex != nullptr && WaitForSingleObject(mutex, INFINITE) != WAIT_FAILED;
  Lock() = default;
  Lock(const Lock&) = delete;
  Lock& operator=(const Lock&) = delete;
  ~Lock() {
    if (held) ReleaseMutex(mutex);
    if (mutex != nullptr) CloseHandle(mutex);
  }
};

NTSTATUS StatusFromError(LSTATUS error) {
  switch (error) {
    case ERROR_SUCCESS: return STATUS_SUCCESS;
    case ERROR_FILE_NOT_FOUND: return STATUS_NOT_FOUND;
    case ERROR_ACCESS_DENIED: return STATUS_ACCESS_DENIED;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY: return STATUS_NO_MEMORY;
    case ERROR_INVALID_PARAMETER:
    case ERROR_BAD_PATHNAME: return STATUS_INVALID_PARAMETER;
    case ERROR_BADDB:
    case ERROR_BADKEY:
    case ERROR_INVALID_DATA: return STATUS_REGISTRY_CORRUPT;
    case ERROR_DISK_FULL: return STATUS_DISK_FULL;
    default: return STATUS_UNSUCCESSFUL;
  }
}

std::wstring Wide(const Name& name) { return std::wstring(name.begin(), name.end()); }

// A name that stands as a key: a backslash would make it a path.
bool IsKeyName(const Name& name) { return name.find(u'\\') == Name::npos; }

std::wstring InterfaceKey(ULONG id) {
  char digits[9];
  std::snprintf(digits, sizeof digits, "%08lx", static_cast<unsigned long>(id));
  return std::wstring(digits, digits + 8);
}

LSTATUS Create(HKEY parent, const std::wstring& path, Key& key) {
  return RegCreateKeyExW(parent, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | VIEW, nullptr, &key.handle,
                         nullptr);
}

LSTATUS Open(HKEY parent, const std::wstring& path, Key& key, REGSAM access = KEY_ALL_ACCESS) {
  return RegOpenKeyExW(parent, path.c_str(), 0, access | VIEW, &key.handle);
}

std::wstring Under(const std::wstring& path, const std::wstring& child) { return path + L"\\" + child; }

LSTATUS ReadList(HKEY key, const wchar_t* value, std::vector<Name>& names) {
  names.clear();
  DWORD type = 0;
  DWORD bytes = 0;
  LSTATUS error = RegQueryValueExW(key, value, nullptr, &type, nullptr, &bytes);
  if (error == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
  if (error != ERROR_SUCCESS) return error;
  if (type != REG_MULTI_SZ) return ERROR_BADDB;
  std::vector<wchar_t> data(bytes / sizeof(wchar_t) + 2, 0);
  error = RegQueryValueExW(key, value, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &bytes);
  if (error != ERROR_SUCCESS) return error;
  for (const wchar_t* at = data.data(); *at != 0;) {
    const std::wstring name(at);
    names.emplace_back(name.begin(), name.end());
    at += name.size() + 1;
  }
  return ERROR_SUCCESS;
}

LSTATUS WriteList(HKEY key, const wchar_t* value, const std::vector<Name>& names) {
  std::wstring data;
  for (const Name& name : names) {
    data += Wide(name);
    data.push_back(0);
  }
  data.push_back(0);
  return RegSetValueExW(key, value, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(data.data()),
                        static_cast<DWORD>(data.size() * sizeof(wchar_t)));
}

LSTATUS WriteImage(HKEY provider, const wchar_t* mode, const ImageRecord& image) {
  Key key;
  LSTATUS error = Create(provider, mode, key);
  if (error != ERROR_SUCCESS) return error;
  const std::wstring file = Wide(image.image);
  error = RegSetValueExW(key.handle, L"Image", 0, REG_SZ, reinterpret_cast<const BYTE*>(file.c_str()),
                         static_cast<DWORD>((file.size() + 1) * sizeof(wchar_t)));
  for (const InterfaceRecord& reg : image.interfaces) {
    if (error != ERROR_SUCCESS) return error;
    Key interfaceKey;
    error = Create(key.handle, InterfaceKey(reg.id), interfaceKey);
    if (error != ERROR_SUCCESS) return error;
    const DWORD flags = reg.flags;
    error = RegSetValueExW(interfaceKey.handle, L"Flags", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&flags),
                           sizeof flags);
    if (error == ERROR_SUCCESS) error = WriteList(interfaceKey.handle, L"Functions", reg.functions);
  }
  return error;
}

bool Exists(HKEY parent, const std::wstring& path) {
  Key key;
  return Open(parent, path, key, KEY_READ) == ERROR_SUCCESS;
}

// The key of a context's interface in the local table; the Default context
// is made when it is missing, any other must exist.
LSTATUS OpenInterface(const Name& context, ULONG interfaceId, Key& key) {
  const std::wstring table = Under(CRYPTOGRAPHY, L"Configuration\\Local");
  const std::wstring path = Under(Under(table, Wide(context)), InterfaceKey(interfaceId));
  if (!NamesEqual(context, DEFAULT_CONTEXT) && !Exists(HKEY_LOCAL_MACHINE, Under(table, Wide(context)))) {
    return ERROR_FILE_NOT_FOUND;
  }
  return Create(HKEY_LOCAL_MACHINE, path, key);
}

// A function's key, which must stand in its interface's function list.
LSTATUS OpenFunction(const Name& context, ULONG interfaceId, const Name& function, Key& key) {
  const std::wstring table = Under(CRYPTOGRAPHY, L"Configuration\\Local");
  Key interfaceKey;
  LSTATUS error = Open(HKEY_LOCAL_MACHINE, Under(Under(table, Wide(context)), InterfaceKey(interfaceId)), interfaceKey);
  if (error != ERROR_SUCCESS) return error;
  std::vector<Name> functions;
  error = ReadList(interfaceKey.handle, L"Functions", functions);
  if (error != ERROR_SUCCESS) return error;
  if (std::none_of(functions.begin(), functions.end(), [&](const Name& f) { return NamesEqual(f, function); })) {
    return ERROR_FILE_NOT_FOUND;
  }
  return Create(interfaceKey.handle, Wide(function), key);
}

// Reads a function's provider list under the lock, has it changed, and
// writes it back; a change that finds nothing to change is not found.
template <typename Change>
NTSTATUS ChangeProviderList(const Name& context, ULONG interfaceId, const Name& function, Change change) {
  if (!IsKeyName(context) || !IsKeyName(function)) return STATUS_INVALID_PARAMETER;
  const Lock lock;
  if (!lock.held) return STATUS_UNSUCCESSFUL;
  Key functionKey;
  LSTATUS error = OpenFunction(context, interfaceId, function, functionKey);
  std::vector<Name> providers;
  if (error == ERROR_SUCCESS) error = ReadList(functionKey.handle, L"Providers", providers);
  if (error != ERROR_SUCCESS) return StatusFromError(error);
  if (!change(providers)) return STATUS_NOT_FOUND;
  return StatusFromError(WriteList(functionKey.handle, L"Providers", providers));
}

}  // namespace

NTSTATUS StoreRegisterProvider(const ProviderRecord& record, bool overwrite) {
  if (!IsKeyName(record.name)) return STATUS_INVALID_PARAMETER;
  const Lock lock;
  if (!lock.held) return STATUS_UNSUCCESSFUL;
  Key providers;
  LSTATUS error = Create(HKEY_LOCAL_MACHINE, Under(CRYPTOGRAPHY, L"Providers"), providers);
  if (error != ERROR_SUCCESS) return StatusFromError(error);
  const std::wstring name = Wide(record.name);
  if (Exists(providers.handle, name)) {
    if (!overwrite) return STATUS_OBJECT_NAME_COLLISION;
    error = RegDeleteTreeW(providers.handle, name.c_str());
    if (error != ERROR_SUCCESS) return StatusFromError(error);
  }
  Key provider;
  error = Create(providers.handle, name, provider);
  if (error == ERROR_SUCCESS && !record.aliases.empty()) error = WriteList(provider.handle, L"Aliases", record.aliases);
  if (error == ERROR_SUCCESS && record.userMode) error = WriteImage(provider.handle, L"UM", *record.userMode);
  if (error == ERROR_SUCCESS && record.kernelMode) error = WriteImage(provider.handle, L"KM", *record.kernelMode);
  return StatusFromError(error);
}

NTSTATUS StoreUnregisterProvider(const Name& provider) {
  if (!IsKeyName(provider)) return STATUS_INVALID_PARAMETER;
  const Lock lock;
  if (!lock.held) return STATUS_UNSUCCESSFUL;
  Key providers;
  LSTATUS error = Open(HKEY_LOCAL_MACHINE, Under(CRYPTOGRAPHY, L"Providers"), providers);
  if (error == ERROR_SUCCESS) error = RegDeleteTreeW(providers.handle, Wide(provider).c_str());
  return StatusFromError(error);
}

NTSTATUS StoreAddContextFunction(const Name& context, ULONG interfaceId, const Name& function, ULONG position) {
  if (!IsKeyName(context) || !IsKeyName(function)) return STATUS_INVALID_PARAMETER;
  const Lock lock;
  if (!lock.held) return STATUS_UNSUCCESSFUL;
  Key interfaceKey;
  LSTATUS error = OpenInterface(context, interfaceId, interfaceKey);
  std::vector<Name> functions;
  if (error == ERROR_SUCCESS) error = ReadList(interfaceKey.handle, L"Functions", functions);
  if (error != ERROR_SUCCESS) return StatusFromError(error);
  PlaceInList(functions, function, position);
  error = WriteList(interfaceKey.handle, L"Functions", functions);
  Key functionKey;
  if (error == ERROR_SUCCESS) error = Create(interfaceKey.handle, Wide(function), functionKey);
  return StatusFromError(error);
}

NTSTATUS StoreAddContextFunctionProvider(const Name& context, ULONG interfaceId, const Name& function,
                                         const Name& provider, ULONG position) {
  return ChangeProviderList(context, interfaceId, function, [&](std::vector<Name>& providers) {
    PlaceInList(providers, provider, position);
    return true;
  });
}

NTSTATUS StoreRemoveContextFunctionProvider(const Name& context, ULONG interfaceId, const Name& function,
                                            const Name& provider) {
  return ChangeProviderList(context, interfaceId, function, [&](std::vector<Name>& providers) {
    const auto listed = std::find_if(providers.begin(), providers.end(),
                                     [&](const Name& name) { return NamesEqual(name, provider); });
    if (listed == providers.end()) return false;
    providers.erase(listed);
    return true;
  });
}

NTSTATUS StoreListProviders(PCRYPT_PROVIDERS* listing, std::size_t* size) {
  std::vector<Name> names;
  Key providers;
  LSTATUS error = Open(HKEY_LOCAL_MACHINE, Under(CRYPTOGRAPHY, L"Providers"), providers, KEY_READ);
  if (error == ERROR_SUCCESS) {
    for (DWORD index = 0;; ++index) {
      wchar_t name[256];
      DWORD length = 256;
      error = RegEnumKeyExW(providers.handle, index, name, &length, nullptr, nullptr, nullptr, nullptr);
      if (error != ERROR_SUCCESS) break;
      names.emplace_back(name, name + length);
    }
    if (error == ERROR_NO_MORE_ITEMS) error = ERROR_SUCCESS;
  } else if (error == ERROR_FILE_NOT_FOUND) {
    error = ERROR_SUCCESS;
  }
  if (error != ERROR_SUCCESS) return StatusFromError(error);
  std::sort(names.begin(), names.end(), SortsBefore);
  return MakeListing(names, listing, size);
}

}  // namespace cngstore
