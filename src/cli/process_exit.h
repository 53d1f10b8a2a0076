// How the process ends. The program ends it with the C library's exit, which
// flushes buffered output; the front-end fuzzer, which must go on to its next
// input, links an ending of its own.
#ifndef VELK_CLI_PROCESS_EXIT_H
#define VELK_CLI_PROCESS_EXIT_H

[[noreturn]] void EndProcess(int status);

#endif
