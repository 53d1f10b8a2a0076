// The entry on Windows: the platform hands over the command line as UTF-16.
// The environment block is not read.
#include "entry.h"

int wmain(int argc, wchar_t* argv[]) { return RunVelkKspClient(argc, argv); }
