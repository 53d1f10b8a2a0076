#include "command_table.h"

#include "provider/provider_identity.h"

namespace {

struct Command {
  const WideChar* word;
  CommandProcedure procedure;
};

// Tried in this order.
constexpr Command COMMAND_TABLE[] = {
    {WIDE("-register"), RegisterKeyStorageProvider},
    {WIDE("-unregister"), UnregisterKeyStorageProvider},
    {WIDE("-enum"), ListRegisteredProviders},
};

constexpr WideChar FoldAsciiCase(WideChar c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<WideChar>(c - 'A' + 'a') : c;
}

bool CommandWordMatches(const WideChar* argument, const WideChar* word) {
  for (; *argument != 0 && *word != 0; ++argument, ++word) {
    if (FoldAsciiCase(*argument) != FoldAsciiCase(*word)) return false;
  }
  return *argument == 0 && *word == 0;
}

}  // namespace

CommandProcedure FindCommand(const WideChar* argument) {
  for (const Command& command : COMMAND_TABLE) {
    if (CommandWordMatches(argument, command.word)) return command.procedure;
  }
  return nullptr;
}
