// The command words and the procedures they select, in the order tried.
#ifndef VELK_CLI_COMMAND_TABLE_H
#define VELK_CLI_COMMAND_TABLE_H

#include <span>

#include "common/wide_text.h"

using CommandProcedure = void (*)();

struct Command {
  const WideChar* word;
  CommandProcedure procedure;
};

extern const std::span<const Command> COMMAND_TABLE;

// True when the argument equals the word in full, ASCII letters compared
// without regard to case: no prefix, no trimming, no locale.
bool CommandWordMatches(const WideChar* argument, const WideChar* word);

// The procedure of the first command whose word matches, or null.
CommandProcedure FindCommand(const WideChar* argument);

#endif
