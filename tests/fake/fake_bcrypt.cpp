#include "fake_bcrypt.h"

#include <cstdlib>
#include <map>
#include <memory>

namespace fake_bcrypt {
namespace {

std::vector<Call> calls;
std::map<std::string, NTSTATUS> statuses;
std::optional<std::vector<Text>> listingNames;
const void* listingBuffer = nullptr;
void (*observer)(const Call&) = nullptr;

// The listing handed back: the record, its pointer list and the names.
struct ListingBlock {
  CRYPT_PROVIDERS record{};
  std::vector<Text> names;
  std::vector<PWSTR> pointers;
};
std::unique_ptr<ListingBlock> liveListing;

NTSTATUS StatusOf(const std::string& function) {
  const auto found = statuses.find(function);
  return found == statuses.end() ? 0 : found->second;
}

void Keep(Call call) {
  calls.push_back(std::move(call));
  if (observer != nullptr) observer(calls.back());
}

NTSTATUS Record(Call call) {
  const NTSTATUS status = StatusOf(call.function);
  Keep(std::move(call));
  return status;
}

std::optional<Text> CopyOptional(LPCWSTR text) {
  return text == nullptr ? std::nullopt : std::optional<Text>(text);
}

std::vector<Text> CopyList(ULONG count, const PWSTR* list) {
  std::vector<Text> copy;
  for (ULONG i = 0; i < count; ++i) copy.emplace_back(list[i]);
  return copy;
}

std::optional<ImageCopy> CopyImage(const CRYPT_IMAGE_REG* image) {
  if (image == nullptr) return std::nullopt;
  ImageCopy copy{image->pszImage == nullptr ? Text() : Text(image->pszImage), {}};
  for (ULONG i = 0; i < image->cInterfaces; ++i) {
    const CRYPT_INTERFACE_REG* reg = image->rgpInterfaces[i];
    copy.interfaces.push_back(InterfaceCopy{reg->dwInterface, reg->dwFlags,
                                            CopyList(reg->cFunctions, reg->rgpszFunctions)});
  }
  return copy;
}

}  // namespace

void Reset() {
  calls.clear();
  statuses.clear();
  listingNames.reset();
  listingBuffer = nullptr;
  liveListing.reset();
}

void ScriptStatus(const std::string& function, NTSTATUS status) { statuses[function] = status; }

void ScriptListing(const std::vector<Text>& names) { listingNames = names; }

const std::vector<Call>& Calls() { return calls; }

std::vector<std::string> CallNames() {
  std::vector<std::string> names;
  for (const Call& call : calls) names.push_back(call.function);
  return names;
}

const void* ListingBuffer() { return listingBuffer; }

void ObserveCalls(void (*callback)(const Call&)) { observer = callback; }

}  // namespace fake_bcrypt

using namespace fake_bcrypt;

extern "C" NTSTATUS WINAPI BCryptRegisterProvider(LPCWSTR pszProvider, ULONG dwFlags,
                                           PCRYPT_PROVIDER_REG pReg) {
  Call call{.function = "BCryptRegisterProvider", .provider = pszProvider, .flags = dwFlags};
  if (pReg != nullptr) {
    call.registration = RegistrationCopy{CopyList(pReg->cAliases, pReg->rgpszAliases),
                                         CopyImage(pReg->pUM), CopyImage(pReg->pKM)};
  }
  return Record(std::move(call));
}

extern "C" NTSTATUS WINAPI BCryptUnregisterProvider(LPCWSTR pszProvider) {
  return Record(Call{.function = "BCryptUnregisterProvider", .provider = pszProvider});
}

extern "C" NTSTATUS WINAPI BCryptAddContextFunction(ULONG dwTable, LPCWSTR pszContext,
                                             ULONG dwInterface, LPCWSTR pszFunction,
                                             ULONG dwPosition) {
  return Record(Call{.function = "BCryptAddContextFunction",
                     .table = dwTable,
                     .context = CopyOptional(pszContext),
                     .interfaceId = dwInterface,
                     .functionName = pszFunction,
                     .position = dwPosition});
}

extern "C" NTSTATUS WINAPI BCryptAddContextFunctionProvider(ULONG dwTable, LPCWSTR pszContext,
                                                     ULONG dwInterface, LPCWSTR pszFunction,
                                                     LPCWSTR pszProvider, ULONG dwPosition) {
  return Record(Call{.function = "BCryptAddContextFunctionProvider",
                     .table = dwTable,
                     .context = CopyOptional(pszContext),
                     .interfaceId = dwInterface,
                     .functionName = pszFunction,
                     .provider = pszProvider,
                     .position = dwPosition});
}

extern "C" NTSTATUS WINAPI BCryptRemoveContextFunctionProvider(ULONG dwTable, LPCWSTR pszContext,
                                                        ULONG dwInterface, LPCWSTR pszFunction,
                                                        LPCWSTR pszProvider) {
  return Record(Call{.function = "BCryptRemoveContextFunctionProvider",
                     .table = dwTable,
                     .context = CopyOptional(pszContext),
                     .interfaceId = dwInterface,
                     .functionName = pszFunction,
                     .provider = pszProvider});
}

extern "C" NTSTATUS WINAPI BCryptEnumRegisteredProviders(ULONG* pcbBuffer, PCRYPT_PROVIDERS* ppBuffer) {
  Call call{.function = "BCryptEnumRegisteredProviders",
            .sizeOnEntry = *pcbBuffer,
            .bufferNullOnEntry = *ppBuffer == nullptr};
  if (listingNames) {
    liveListing = std::make_unique<ListingBlock>();
    liveListing->names = *listingNames;
    for (Text& name : liveListing->names) liveListing->pointers.push_back(name.data());
    liveListing->record.cProviders = static_cast<ULONG>(liveListing->pointers.size());
    liveListing->record.rgpszProviders = liveListing->pointers.data();
    *pcbBuffer = static_cast<ULONG>(sizeof(ListingBlock));
    *ppBuffer = &liveListing->record;
    listingBuffer = &liveListing->record;
  }
  return Record(std::move(call));
}

extern "C" void WINAPI BCryptFreeBuffer(PVOID pvBuffer) {
  Keep(Call{.function = "BCryptFreeBuffer", .released = pvBuffer});
  if (pvBuffer == listingBuffer) liveListing.reset();
}
