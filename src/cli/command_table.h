// The command words and the procedures they select, in the order tried.
#ifndef VELK_CLI_COMMAND_TABLE_H
#define VELK_CLI_COMMAND_TABLE_H

#include "platform/bcrypt_binding.h"

using CommandProcedure = void (*)();

// The procedure of the first command whose word equals the argument in full,
// ASCII letters compared without regard to case (no prefix, no trimming, no
// locale), or null.
CommandProcedure FindCommand(const WideChar* argument);

#endif
