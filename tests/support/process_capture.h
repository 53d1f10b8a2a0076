// Runs code with standard output captured, in this process or in a child.
#ifndef VELK_TESTS_PROCESS_CAPTURE_H
#define VELK_TESTS_PROCESS_CAPTURE_H

#include <functional>
#include <string>
#include <vector>

namespace test_support {

// What the body wrote to standard output, flushed, as bytes.
std::string CaptureStdout(const std::function<void()>& body);

struct ChildResult {
  std::string output;  // standard output, as bytes
  int exitStatus = -1;  // -1 when the child did not exit normally
  std::string report;   // what the child's report function returned
  std::string errors;   // standard error, for a program run by RunProgram
};

// Runs the body in a forked child whose standard output goes to a file; the
// body's result is the child's exit status, unless it ends the process
// itself. The report function runs at the child's exit, after standard
// output is flushed.
ChildResult RunInChild(const std::function<int()>& body,
                       std::string (*report)() = nullptr);

// Runs a program with the arguments and extra environment; standard input is
// empty, standard output and standard error are captured.
ChildResult RunProgram(const std::string& path, const std::vector<std::string>& arguments,
                       const std::vector<std::string>& environment = {});

// A fresh directory, readable by everyone, removed with its contents when the
// test program ends.
std::string MakeTemporaryDirectory();

std::string ReadFile(const std::string& path);

}  // namespace test_support

#endif
