#include "store_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "store_edit.h"
#include "store_text.h"

namespace cngstore {
namespace {

// Machine-wide configuration: readable by everyone, writable by its owner.
constexpr mode_t DIRECTORY_MODE = 0755;
constexpr mode_t FILE_MODE = 0644;

NTSTATUS StatusFromErrno(int error) {
  switch (error) {
    case EACCES:
    case EPERM:
    case EROFS:
      return STATUS_ACCESS_DENIED;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:  // the file-size limit
      return STATUS_DISK_FULL;
    case ENOMEM:
      return STATUS_NO_MEMORY;
    default:
      return STATUS_UNSUCCESSFUL;
  }
}

// Closes the descriptor on every path out of a scope.
struct FileDescriptor {
  int fd = -1;
  FileDescriptor() = default;
  explicit FileDescriptor(int descriptor) : fd(descriptor) {}
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  ~FileDescriptor() {
    if (fd >= 0) close(fd);
  }
};

// Opens the store's directory. Everything after this goes through the
// descriptor, so that what is read, locked, written and renamed is in the
// one directory opened, whatever happens to its path meanwhile.
int OpenDirectory(const std::string& directory) {
  return open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

// Creates the directory and any missing parent, each with DIRECTORY_MODE
// whatever the umask. The mode is set through the directory just made,
// opened without following a link: a link swapped in for it is never changed.
NTSTATUS EnsureDirectory(const std::string& directory) {
  struct stat info {};
  if (stat(directory.c_str(), &info) == 0) {
    return S_ISDIR(info.st_mode) ? STATUS_SUCCESS : STATUS_UNSUCCESSFUL;
  }
  if (errno != ENOENT) return StatusFromErrno(errno);
  const std::size_t slash = directory.find_last_of('/');
  if (slash != std::string::npos && slash > 0) {
    const NTSTATUS parent = EnsureDirectory(directory.substr(0, slash));
    if (parent < 0) return parent;
  }
  if (mkdir(directory.c_str(), DIRECTORY_MODE) != 0) {
    return errno == EEXIST ? STATUS_SUCCESS : StatusFromErrno(errno);
  }
  const FileDescriptor made(open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  if (made.fd < 0) return STATUS_UNSUCCESSFUL;
  fchmod(made.fd, DIRECTORY_MODE);
  return STATUS_SUCCESS;
}

NTSTATUS WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t written = write(fd, data.data(), data.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return StatusFromErrno(errno);
    }
    data.remove_prefix(static_cast<std::size_t>(written));
  }
  return STATUS_SUCCESS;
}

// ---- the mapped store ----
//
// The store is mapped, not copied. Writers never change a store file in
// place (they rename a new one over it), but anyone else may truncate it
// while it is read, and touching a mapped page past the file's new end
// raises SIGBUS. While a mapping is read, SIGBUS on it puts zeroed memory in
// place of the lost pages and marks the read as damaged; the reader runs to
// its end and its result is not used.

struct Mapping {
  const char* data = nullptr;
  std::size_t size = 0;
  std::uintptr_t pageSize = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
  volatile sig_atomic_t damaged = 0;
};
Mapping* reading = nullptr;  // one thread reads at a time
struct sigaction previousBusAction {};

void OnBusError(int signal, siginfo_t* info, void* context) {
  const auto address = reinterpret_cast<std::uintptr_t>(info->si_addr);
  const auto begin = reading != nullptr ? reinterpret_cast<std::uintptr_t>(reading->data) : 0;
  if (reading != nullptr && address >= begin && address < begin + reading->size) {
    const std::uintptr_t from = address & ~(reading->pageSize - 1);
    const std::size_t length = begin + reading->size - from;
    if (mmap(reinterpret_cast<void*>(from), length, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) !=
        MAP_FAILED) {
      reading->damaged = 1;
      return;
    }
  }
  // Not ours: as it would have been without this handler.
  if (previousBusAction.sa_flags & SA_SIGINFO) {
    previousBusAction.sa_sigaction(signal, info, context);
  } else if (previousBusAction.sa_handler != SIG_IGN && previousBusAction.sa_handler != SIG_DFL) {
    previousBusAction.sa_handler(signal);
  } else {
    sigaction(SIGBUS, &previousBusAction, nullptr);
    raise(SIGBUS);
  }
}

// Reads a mapping with the guard above in place; a damaged read is
// reported as a damaged store.
NTSTATUS ReadGuarded(Mapping& mapping, const std::function<NTSTATUS(std::string_view)>& reader) {
  struct sigaction guard {};
  guard.sa_sigaction = OnBusError;
  guard.sa_flags = SA_SIGINFO;
  sigemptyset(&guard.sa_mask);
  reading = &mapping;
  sigaction(SIGBUS, &guard, &previousBusAction);
  const NTSTATUS status = reader(std::string_view(mapping.data, mapping.size));
  sigaction(SIGBUS, &previousBusAction, nullptr);
  reading = nullptr;
  return mapping.damaged ? STATUS_REGISTRY_CORRUPT : status;
}

// Whether the mapping being read has lost pages so far.
bool ReadIsDamaged() { return reading != nullptr && reading->damaged; }

// Hands the store's text to the reader (the new store's when there is none).
// Only a regular file is a store, and it is opened without waiting: a FIFO or
// a device in its place is reported as a damaged store, as a directory is.
NTSTATUS ReadStoreIn(int directory, const std::function<NTSTATUS(std::string_view)>& reader) {
  const FileDescriptor file(openat(directory, STORE_FILE, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (file.fd < 0) return errno == ENOENT ? reader(NEW_STORE_TEXT) : StatusFromErrno(errno);
  struct stat info {};
  if (fstat(file.fd, &info) != 0) return StatusFromErrno(errno);
  if (!S_ISREG(info.st_mode)) return STATUS_REGISTRY_CORRUPT;
  Mapping mapping;
  mapping.size = static_cast<std::size_t>(info.st_size);
  if (mapping.size == 0) return reader(std::string_view());
  void* data = mmap(nullptr, mapping.size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, file.fd, 0);
  if (data == MAP_FAILED) return StatusFromErrno(errno);
  mapping.data = static_cast<const char*>(data);
  const NTSTATUS status = ReadGuarded(mapping, reader);
  munmap(data, mapping.size);
  return status;
}

// Under the lock no change is being written, so any temporary file is left
// over from a writer that died; it is removed, never read.
void RemoveLeftovers(int directory) {
  const int copy = openat(directory, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  DIR* listing = copy >= 0 ? fdopendir(copy) : nullptr;
  if (listing == nullptr) {
    if (copy >= 0) close(copy);
    return;
  }
  while (const dirent* entry = readdir(listing)) {
    if (std::strncmp(entry->d_name, TEMPORARY_PREFIX, sizeof TEMPORARY_PREFIX - 1) == 0) {
      unlinkat(directory, entry->d_name, 0);
    }
  }
  closedir(listing);
}

// Writes through the walker with SIGXFSZ held back: a file-size limit makes
// the write fail (EFBIG, a full disk to the caller) instead of ending the
// process; the signal that the failed write raised is taken back.
NTSTATUS WriteText(int fd, std::string_view old, Splices& splices) {
  sigset_t fileSize;
  sigset_t previousMask;
  sigset_t pending;
  sigemptyset(&fileSize);
  sigaddset(&fileSize, SIGXFSZ);
  pthread_sigmask(SIG_BLOCK, &fileSize, &previousMask);
  sigpending(&pending);
  const bool alreadyPending = sigismember(&pending, SIGXFSZ) == 1;
  NTSTATUS status = STATUS_SUCCESS;
  WalkSplices(old, splices, [&](std::string_view piece) {
    status = WriteAll(fd, piece);
    return status >= 0;
  });
  sigpending(&pending);
  if (!alreadyPending && sigismember(&pending, SIGXFSZ) == 1) {
    const timespec now{};
    sigtimedwait(&fileSize, nullptr, &now);
  }
  pthread_sigmask(SIG_SETMASK, &previousMask, nullptr);
  return status;
}

// Writes a new file beside the store (the old text with the splices),
// flushes it, and renames it over the store; then flushes the directory so
// that the rename itself is durable. O_EXCL | O_NOFOLLOW: a link planted at
// the temporary name is never followed.
NTSTATUS CommitStore(int directory, std::string_view old, Splices& splices) {
  const std::string temporary = TEMPORARY_PREFIX + std::to_string(getpid());
  NTSTATUS status = STATUS_SUCCESS;
  {
    const FileDescriptor file(openat(directory, temporary.c_str(),
                                     O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, FILE_MODE));
    if (file.fd < 0) return StatusFromErrno(errno);
    fchmod(file.fd, FILE_MODE);
    status = WriteText(file.fd, old, splices);
    if (status >= 0 && fsync(file.fd) != 0) status = StatusFromErrno(errno);
  }
  // A store cut short while it was copied must not replace itself.
  if (status >= 0 && ReadIsDamaged()) status = STATUS_REGISTRY_CORRUPT;
  if (status >= 0 && renameat(directory, temporary.c_str(), directory, STORE_FILE) != 0) {
    status = StatusFromErrno(errno);
  }
  if (status < 0) {
    unlinkat(directory, temporary.c_str(), 0);
    return status;
  }
  fsync(directory);
  return STATUS_SUCCESS;
}

// The lock file is never replaced; only a regular file is taken as one.
NTSTATUS LockStore(int directory, FileDescriptor& lock) {
  lock.fd = openat(directory, LOCK_FILE, O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC,
                   FILE_MODE);
  if (lock.fd < 0) return StatusFromErrno(errno);
  struct stat info {};
  if (fstat(lock.fd, &info) != 0) return StatusFromErrno(errno);
  if (!S_ISREG(info.st_mode)) return STATUS_UNSUCCESSFUL;
  fchmod(lock.fd, FILE_MODE);
  while (flock(lock.fd, LOCK_EX) != 0) {
    if (errno != EINTR) return StatusFromErrno(errno);
  }
  return STATUS_SUCCESS;
}

}  // namespace

std::string StoreDirectory() {
  const char* configured = std::getenv("CNG_CONFIG_DIR");
  return configured != nullptr && *configured != '\0' ? configured : DEFAULT_STORE_DIRECTORY;
}

NTSTATUS ReadStore(const std::function<NTSTATUS(std::string_view)>& reader) {
  const FileDescriptor directory(OpenDirectory(StoreDirectory()));
  if (directory.fd < 0) {
    if (errno == ENOENT) return reader(NEW_STORE_TEXT);
    return errno == ENOTDIR ? STATUS_UNSUCCESSFUL : StatusFromErrno(errno);
  }
  return ReadStoreIn(directory.fd, reader);
}

NTSTATUS UpdateStore(const std::function<NTSTATUS(std::string_view, Splices&)>& change) {
  const std::string path = StoreDirectory();
  NTSTATUS status = EnsureDirectory(path);
  if (status < 0) return status;
  const FileDescriptor directory(OpenDirectory(path));
  if (directory.fd < 0) return errno == ENOTDIR ? STATUS_UNSUCCESSFUL : StatusFromErrno(errno);
  FileDescriptor lock;
  status = LockStore(directory.fd, lock);
  if (status < 0) return status;
  RemoveLeftovers(directory.fd);
  return ReadStoreIn(directory.fd, [&](std::string_view text) {
    Splices splices;
    const NTSTATUS changed = change(text, splices);
    if (changed < 0 || splices.empty()) return changed;
    const NTSTATUS committed = CommitStore(directory.fd, text, splices);
    return committed < 0 ? committed : changed;
  });
}

}  // namespace cngstore
