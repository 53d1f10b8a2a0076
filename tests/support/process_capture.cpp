#include "process_capture.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/console_output.h"

namespace test_support {
namespace {

std::string ReadDescriptor(int fd) {
  std::string text;
  lseek(fd, 0, SEEK_SET);
  char chunk[4096];
  ssize_t got = 0;
  while ((got = read(fd, chunk, sizeof chunk)) > 0) text.append(chunk, static_cast<std::size_t>(got));
  return text;
}

int TemporaryFile() {
  char path[] = "/tmp/velk-capture-XXXXXX";
  const int fd = mkstemp(path);
  unlink(path);
  return fd;
}

int reportFd = -1;
std::string (*reportFunction)() = nullptr;

void WriteReport() {
  if (reportFunction == nullptr) return;
  const std::string text = reportFunction();
  if (write(reportFd, text.data(), text.size()) < 0) _exit(99);
}

// Waits for the child and reads its standard output and its second file
// (a report, or standard error) into the field named.
ChildResult Wait(pid_t child, int outputFd, int secondFd, std::string ChildResult::*second) {
  ChildResult result;
  int status = 0;
  waitpid(child, &status, 0);
  result.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  result.output = ReadDescriptor(outputFd);
  result.*second = ReadDescriptor(secondFd);
  close(outputFd);
  close(secondFd);
  return result;
}

std::vector<std::string> createdDirectories;
pid_t directoryOwner = 0;

// Forked children inherit this exit handler; only the process that made the
// directories removes them.
void RemoveCreatedDirectories() {
  if (getpid() != directoryOwner) return;
  for (const std::string& directory : createdDirectories) {
    std::error_code ignored;
    std::filesystem::remove_all(directory, ignored);
  }
}

}  // namespace

std::string CaptureStdout(const std::function<void()>& body) {
  FlushConsoleOutput();
  std::fflush(stdout);
  const int saved = dup(STDOUT_FILENO);
  const int capture = TemporaryFile();
  dup2(capture, STDOUT_FILENO);
  body();
  FlushConsoleOutput();
  dup2(saved, STDOUT_FILENO);
  close(saved);
  std::string text = ReadDescriptor(capture);
  close(capture);
  return text;
}

ChildResult RunInChild(const std::function<int()>& body, std::string (*report)()) {
  std::fflush(stdout);
  const int outputFd = TemporaryFile();
  const int childReportFd = TemporaryFile();
  const pid_t child = fork();
  if (child == 0) {
    dup2(outputFd, STDOUT_FILENO);
    reportFd = childReportFd;
    reportFunction = report;
    // Registered before any output, so it runs after the output is flushed.
    std::atexit(WriteReport);
    std::exit(body());
  }
  return Wait(child, outputFd, childReportFd, &ChildResult::report);
}

ChildResult RunProgram(const std::string& path, const std::vector<std::string>& arguments,
                       const std::vector<std::string>& environment) {
  const int outputFd = TemporaryFile();
  const int errorFd = TemporaryFile();
  std::fflush(stdout);
  const pid_t child = fork();
  if (child == 0) {
    dup2(outputFd, STDOUT_FILENO);
    dup2(errorFd, STDERR_FILENO);
    const int nothing = open("/dev/null", O_RDONLY);
    dup2(nothing, STDIN_FILENO);
    for (const std::string& setting : environment) putenv(const_cast<char*>(setting.c_str()));
    std::vector<char*> argv{const_cast<char*>(path.c_str())};
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    execv(path.c_str(), argv.data());
    _exit(127);
  }
  return Wait(child, outputFd, errorFd, &ChildResult::errors);
}

std::string MakeTemporaryDirectory() {
  char path[] = "/tmp/velk-test-XXXXXX";
  if (mkdtemp(path) == nullptr) return {};
  chmod(path, 0755);
  if (createdDirectories.empty()) {
    directoryOwner = getpid();
    std::atexit(RemoveCreatedDirectories);
  }
  createdDirectories.emplace_back(path);
  return path;
}

std::string ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

}  // namespace test_support
