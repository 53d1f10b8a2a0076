#include "procedure_cases.h"

#include <cstdio>
#include <ostream>

namespace test_cases {
namespace {

using fake_bcrypt::Call;
using fake_bcrypt::Text;

const char LISTING_MARK = 0;

const fake_bcrypt::RegistrationCopy EXPECTED_RECORD{
    {},
    fake_bcrypt::ImageCopy{WIDE("VelkKsp.dll"), {{0x00010001, 0x00000001, {WIDE("KEY_STORAGE")}}}},
    std::nullopt};

const std::vector<Call> REGISTRATION_CALLS{
    {.function = "BCryptRegisterProvider",
     .provider = WIDE("Velk Key Storage Provider"),
     .flags = 0,
     .registration = EXPECTED_RECORD},
    {.function = "BCryptAddContextFunction",
     .table = 1,
     .context = std::nullopt,
     .interfaceId = 0x00010001,
     .functionName = WIDE("KEY_STORAGE"),
     .position = 0xFFFFFFFF},
    {.function = "BCryptAddContextFunctionProvider",
     .table = 1,
     .context = std::nullopt,
     .interfaceId = 0x00010001,
     .functionName = WIDE("KEY_STORAGE"),
     .provider = WIDE("Velk Key Storage Provider"),
     .position = 0xFFFFFFFF},
};

const std::vector<Call> REMOVAL_CALLS{
    {.function = "BCryptRemoveContextFunctionProvider",
     .table = 1,
     .context = std::nullopt,
     .interfaceId = 0x00010001,
     .functionName = WIDE("KEY_STORAGE"),
     .provider = WIDE("Velk Key Storage Provider")},
    {.function = "BCryptUnregisterProvider", .provider = WIDE("Velk Key Storage Provider")},
};

std::string FailureLine(const std::string& function, NTSTATUS status) {
  char hex[9];
  std::snprintf(hex, sizeof hex, "%08x", static_cast<unsigned>(status));
  return function + " failed with error code 0x" + hex + "\n";
}

// Each combination of failing calls, a bit per call in call order; a case is
// named after the calls that fail, counted from 1.
void AddCombinations(std::vector<ProcedureCase>& cases, const std::string& name, const std::string& command,
                     const std::vector<Call>& calls, const std::vector<NTSTATUS>& failures) {
  for (unsigned mask = 0; mask < (1u << calls.size()); ++mask) {
    ProcedureCase c{name + "_Failing", command, {}, {}, calls};
    for (std::size_t i = 0; i < calls.size(); ++i) {
      if ((mask & (1u << i)) == 0) continue;
      c.name += std::to_string(i + 1);
      c.script.statuses.emplace_back(calls[i].function, failures[i]);
      c.output += FailureLine(calls[i].function, failures[i]);
    }
    if (mask == 0) c.name += "None";
    cases.push_back(std::move(c));
  }
}

void AddListing(std::vector<ProcedureCase>& cases, const std::string& name, NTSTATUS status,
                std::optional<std::vector<Text>> names, const std::string& output) {
  ProcedureCase c{"Enum_" + name, "-enum", {}, output,
                  {{.function = "BCryptEnumRegisteredProviders", .sizeOnEntry = 0, .bufferNullOnEntry = true}}};
  if (status != 0) c.script.statuses.emplace_back("BCryptEnumRegisteredProviders", status);
  if (names) c.calls.push_back({.function = "BCryptFreeBuffer", .released = LISTING});
  c.script.listing = std::move(names);
  cases.push_back(std::move(c));
}

std::vector<ProcedureCase> MakeCases() {
  std::vector<ProcedureCase> cases;
  AddCombinations(cases, "Register", "-register", REGISTRATION_CALLS,
                  {static_cast<NTSTATUS>(0xC0000035), static_cast<NTSTATUS>(0xC0000022),
                   static_cast<NTSTATUS>(0x80000001)});
  AddCombinations(cases, "Unregister", "-unregister", REMOVAL_CALLS,
                  {static_cast<NTSTATUS>(0xC0000225), static_cast<NTSTATUS>(0xFFFFFFFF)});

  const NTSTATUS failed = static_cast<NTSTATUS>(0xC000014C);
  const std::string failure = FailureLine("BCryptEnumRegisteredProviders", failed);
  AddListing(cases, "FailureWithoutBuffer", failed, std::nullopt, failure);
  AddListing(cases, "FailureWithBufferPrintsNoNames", failed, std::vector<Text>{WIDE("Ignored")}, failure);
  AddListing(cases, "SuccessWithNullBuffer", 0, std::nullopt, "BCryptEnumRegisteredProviders returned a NULL ptr\n");
  AddListing(cases, "NoProviders", 0, std::vector<Text>{}, "");
  AddListing(cases, "ThreeProvidersInThePlatformsOrder", 0,
             std::vector<Text>{WIDE("Zeta Provider"), WIDE("Velk Key Storage Provider"), WIDE("Alpha Provider")},
             "Zeta Provider\nVelk Key Storage Provider\nAlpha Provider\n");
  AddListing(cases, "PositiveStatusIsSuccess", 0x00000103,
             std::vector<Text>{WIDE("Microsoft Software Key Storage Provider")},
             "Microsoft Software Key Storage Provider\n");
  AddListing(cases, "NamesAreValuesNotFormats", 0,
             std::vector<Text>{WIDE("100% %s %08x %n"), WIDE("Cl\u00e9 \u03ba\u03bb\u03b5\u03b9\u03b4\u03af")},
             "100% %s %08x %n\nCl\xc3\xa9 \xce\xba\xce\xbb\xce\xb5\xce\xb9\xce\xb4\xce\xaf\n");
  AddListing(cases, "NamesBeyondTheBasicPlane", 0,
             std::vector<Text>{WIDE("\U0001F511 Key \u9375"), WIDE("Tab\there")},
             "\xf0\x9f\x94\x91 Key \xe9\x8d\xb5\nTab\there\n");
  // Names are printed as valid UTF-8, whatever they hold: a lone surrogate
  // prints as U+FFFD, never as bytes that would pass for another name.
  AddListing(cases, "LoneSurrogatesPrintAsReplacementCharacters", 0,
             std::vector<Text>{Text{0xDCC3, 0xDCA9, 't', 0xDCC3, 0xDCA9}, Text{'a', 0xD800, 'b'}},
             "\xef\xbf\xbd\xef\xbf\xbdt\xef\xbf\xbd\xef\xbf\xbd\na\xef\xbf\xbd" "b\n");
  return cases;
}

}  // namespace

const void* const LISTING = &LISTING_MARK;

void PrintTo(const ProcedureCase& c, std::ostream* os) { *os << c.name; }

const std::vector<ProcedureCase>& ProcedureCases() {
  static const std::vector<ProcedureCase> cases = MakeCases();
  return cases;
}

std::vector<std::string> ExpectedCallLines(const ProcedureCase& c) {
  std::vector<std::string> lines;
  for (const Call& call : c.calls) lines.push_back(fake_bcrypt::DescribeCall(call, LISTING));
  return lines;
}

}  // namespace test_cases
