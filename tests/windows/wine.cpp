#include "wine.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace wine {
namespace {

constexpr char WINE32_LOADER[] = "/usr/lib/wine/wine";

std::string BuildDirectory() { return Is32Bit() ? VELK_WINDOWS_X86_DIR : VELK_WINDOWS_X64_DIR; }

std::vector<std::string> WineEnvironment() {
  return {"WINEPREFIX=" VELK_WINE_PREFIX, "WINEDEBUG=-all", "WINEDLLOVERRIDES=bcrypt=n", "LANG=C.UTF-8"};
}

}  // namespace

bool Is32Bit() {
  const char* bits = std::getenv("VELK_WINE_BITS");
  return bits != nullptr && std::strcmp(bits, "32") == 0;
}

std::string MissingBuildOutput() {
  for (const char* file : {"registry/VelkKspClient.exe", "registry/bcrypt.dll", "recording/VelkKspClient.exe",
                           "recording/bcrypt.dll"}) {
    const std::string path = BuildDirectory() + "/" + file;
    if (access(path.c_str(), R_OK) != 0) {
      return "missing build output: " + path + " (cmake --build --preset " +
             (Is32Bit() ? "windows-x86" : "windows-x64") + ")";
    }
  }
  return {};
}

std::string CannotRun() {
  if (!Is32Bit()) return {};
  // Wine runs a 32-bit program through its 32-bit loader, which the kernel
  // must be able to start.
  pid_t child = 0;
  char* const argv[] = {const_cast<char*>(WINE32_LOADER), const_cast<char*>("--version"), nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  const int error = posix_spawn(&child, WINE32_LOADER, &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  if (error == 0) {
    int status = 0;
    waitpid(child, &status, 0);
    return {};
  }
  if (error == ENOEXEC) {
    return std::string("this kernel cannot run 32-bit x86 programs (") + WINE32_LOADER + ": " +
           std::strerror(error) + "): the 32-bit program's runs are skipped";
  }
  return {};  // a missing 32-bit Wine fails the run itself, with its reason
}

test_support::ChildResult Run(const std::string& folder, const std::vector<std::string>& arguments,
                              const std::vector<std::string>& environment) {
  std::vector<std::string> command{BuildDirectory() + "/" + folder + "/VelkKspClient.exe"};
  command.insert(command.end(), arguments.begin(), arguments.end());
  std::vector<std::string> settings = WineEnvironment();
  settings.insert(settings.end(), environment.begin(), environment.end());
  return test_support::RunProgram(WINE, command, settings);
}

std::vector<std::string> RunTogether(const std::string& folder, const std::string& argument, int count) {
  const std::string directory = test_support::MakeTemporaryDirectory();
  const std::string program = BuildDirectory() + "/" + folder + "/VelkKspClient.exe";
  // The shell starts them all before any is waited for.
  const std::string script = "i=0; while [ $i -lt " + std::to_string(count) + " ]; do i=$((i+1)); \"" + WINE +
                             "\" \"" + program + "\" " + argument + " > \"" + directory +
                             "/out.$i\" 2>/dev/null & done; wait";
  test_support::RunProgram("/bin/sh", {"-c", script}, WineEnvironment());
  std::vector<std::string> outputs;
  for (int i = 1; i <= count; ++i) outputs.push_back(test_support::ReadFile(directory + "/out." + std::to_string(i)));
  return outputs;
}

test_support::ChildResult Reg(const std::vector<std::string>& arguments) {
  std::vector<std::string> command{"reg"};
  command.insert(command.end(), arguments.begin(), arguments.end());
  return test_support::RunProgram(WINE, command, WineEnvironment());
}

std::string WindowsPath(const std::string& path) { return "Z:" + path; }

}  // namespace wine
