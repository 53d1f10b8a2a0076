#include "entry.h"

#include "command_table.h"
#include "common/console_print.h"
#include "process_exit.h"

void PrintUsage() {
  ConsolePrint(WIDE("Usage: VelkKspClient -enum | -register | -unregister\n"));
  EndProcess(EXIT_STATUS);
}

int RunVelkKspClient(int argc, const WideChar* const argv[]) {
  if (argc <= 1) PrintUsage();
  const CommandProcedure procedure = FindCommand(argv[1]);
  if (procedure == nullptr) {
    ConsolePrint(WIDE("Unrecognized command \"%s\"\n"), argv[1]);
    PrintUsage();
  }
  procedure();
  return EXIT_STATUS;
}
