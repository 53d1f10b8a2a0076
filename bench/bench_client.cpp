// Times whole processes: the median wall time over repeated runs and the
// peak resident memory, each compared with /bin/true, the floor of starting
// a process. bench_client VELKKSPCLIENT MAKE_STORE WORKDIR [RUNS]
#include <sys/resource.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

struct Measure {
  double medianMs = 0;
  double peakMiB = 0;
};

struct Case {
  std::string name;
  std::vector<std::string> command;
  std::string store;          // CNG_CONFIG_DIR, or empty
  std::string restoreFrom;    // a store file copied in before each run, or empty
};

Measure Time(const Case& c, int runs) {
  std::vector<double> times;
  long peakKiB = 0;
  for (int run = 0; run < runs; ++run) {
    if (!c.restoreFrom.empty()) {
      std::filesystem::copy_file(c.restoreFrom, c.store + "/cng.conf",
                                 std::filesystem::copy_options::overwrite_existing);
    }
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
      const int nowhere = open("/dev/null", O_WRONLY);
      dup2(nowhere, STDOUT_FILENO);
      if (!c.store.empty()) setenv("CNG_CONFIG_DIR", c.store.c_str(), 1);
      std::vector<char*> argv;
      for (const std::string& part : c.command) argv.push_back(const_cast<char*>(part.c_str()));
      argv.push_back(nullptr);
      execv(argv[0], argv.data());
      _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    const auto end = std::chrono::steady_clock::now();
    if (!WIFEXITED(status) || WEXITSTATUS(status) == 127) {
      std::fprintf(stderr, "%s did not run\n", c.name.c_str());
      std::exit(1);
    }
    times.push_back(std::chrono::duration<double, std::milli>(end - start).count());
    peakKiB = std::max(peakKiB, usage.ru_maxrss);
  }
  std::sort(times.begin(), times.end());
  return {times[times.size() / 2], static_cast<double>(peakKiB) / 1024.0};
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: bench_client VELKKSPCLIENT MAKE_STORE WORKDIR [RUNS]\n");
    return 2;
  }
  const std::string client = argv[1];
  const std::string makeStore = argv[2];
  const std::string work = argv[3];
  const int runs = argc > 4 ? std::atoi(argv[4]) : 101;

  std::filesystem::remove_all(work);
  for (const char* size : {"1000", "10000"}) {
    const std::string command = makeStore + " " + work + "/store-" + size + " " + size;
    if (std::system(command.c_str()) != 0) return 1;
  }
  if (std::system((makeStore + " " + work + "/store-contexts 1 40000").c_str()) != 0) return 1;
  const std::string registerStore = work + "/store-register";
  std::filesystem::create_directories(registerStore);

  const std::vector<Case> cases{
      {"/bin/true", {"/bin/true"}, "", ""},
      {"-enum, empty store", {client, "-enum"}, work + "/store-empty", ""},
      {"-enum, 1,000 providers", {client, "-enum"}, work + "/store-1000", ""},
      {"-enum, 10,000 providers", {client, "-enum"}, work + "/store-10000", ""},
      {"-register, 10,000 providers", {client, "-register"}, registerStore,
       work + "/store-10000/cng.conf"},
      {"-enum, 40,000 contexts", {client, "-enum"}, work + "/store-contexts", ""},
  };
  std::printf("%-30s %12s %10s %14s\n", "command", "median ms", "x true", "peak MiB");
  double floor = 0;
  for (const Case& c : cases) {
    const Measure m = Time(c, runs);
    if (floor == 0) floor = m.medianMs;
    std::printf("%-30s %12.3f %10.2f %14.2f\n", c.name.c_str(), m.medianMs, m.medianMs / floor, m.peakMiB);
  }
  std::filesystem::remove_all(work);
  return 0;
}
