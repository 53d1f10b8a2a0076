#include "store_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
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

std::string PathIn(const std::string& directory, std::string_view name) {
  std::string path = directory;
  path.push_back('/');
  path += name;
  return path;
}

// Creates the directory and any missing parent, each with DIRECTORY_MODE
// whatever the umask.
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
  chmod(directory.c_str(), DIRECTORY_MODE);
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

// The store file, mapped read-only. Writers never change a store file in
// place (they rename a new one over it), so the mapping stays whole.
struct MappedStore {
  void* data = MAP_FAILED;
  std::size_t size = 0;
  MappedStore() = default;
  MappedStore(const MappedStore&) = delete;
  MappedStore& operator=(const MappedStore&) = delete;
  ~MappedStore() {
    if (data != MAP_FAILED) munmap(data, size);
  }
  std::string_view Text() const {
    return data == MAP_FAILED ? std::string_view() : std::string_view(static_cast<const char*>(data), size);
  }
};

NTSTATUS ReadStoreIn(const std::string& directory, const std::function<NTSTATUS(std::string_view)>& reader) {
  FileDescriptor file(open(PathIn(directory, STORE_FILE).c_str(), O_RDONLY | O_CLOEXEC));
  if (file.fd < 0) return errno == ENOENT ? reader(NEW_STORE_TEXT) : StatusFromErrno(errno);
  struct stat info {};
  if (fstat(file.fd, &info) != 0) return StatusFromErrno(errno);
  if (!S_ISREG(info.st_mode)) return STATUS_REGISTRY_CORRUPT;
  MappedStore store;
  store.size = static_cast<std::size_t>(info.st_size);
  if (store.size > 0) {
    store.data = mmap(nullptr, store.size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, file.fd, 0);
    if (store.data == MAP_FAILED) return StatusFromErrno(errno);
  }
  return reader(store.Text());
}

// Under the lock no change is being written, so any temporary file is left
// over from a writer that died; it is removed, never read.
void RemoveLeftovers(const std::string& directory) {
  DIR* listing = opendir(directory.c_str());
  if (listing == nullptr) return;
  while (const dirent* entry = readdir(listing)) {
    if (std::strncmp(entry->d_name, TEMPORARY_PREFIX, sizeof TEMPORARY_PREFIX - 1) == 0) {
      unlinkat(dirfd(listing), entry->d_name, 0);
    }
  }
  closedir(listing);
}

// Writes a new file beside the store (the old text with the splices),
// flushes it, and renames it over the store; then flushes the directory so
// that the rename itself is durable. O_EXCL | O_NOFOLLOW: a link planted at
// the temporary name is never followed.
NTSTATUS CommitStore(const std::string& directory, std::string_view old, Splices& splices) {
  const std::string temporary = PathIn(directory, TEMPORARY_PREFIX + std::to_string(getpid()));
  NTSTATUS status = STATUS_SUCCESS;
  {
    FileDescriptor file(open(temporary.c_str(),
                             O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, FILE_MODE));
    if (file.fd < 0) return StatusFromErrno(errno);
    fchmod(file.fd, FILE_MODE);
    WalkSplices(old, splices, [&](std::string_view piece) {
      status = WriteAll(file.fd, piece);
      return status >= 0;
    });
    if (status >= 0 && fsync(file.fd) != 0) status = StatusFromErrno(errno);
  }
  if (status >= 0 && rename(temporary.c_str(), PathIn(directory, STORE_FILE).c_str()) != 0) {
    status = StatusFromErrno(errno);
  }
  if (status < 0) {
    unlink(temporary.c_str());
    return status;
  }
  FileDescriptor directoryHandle(open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (directoryHandle.fd >= 0) fsync(directoryHandle.fd);
  return STATUS_SUCCESS;
}

NTSTATUS LockStore(const std::string& directory, FileDescriptor& lock) {
  lock.fd = open(PathIn(directory, LOCK_FILE).c_str(),
                 O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, FILE_MODE);
  if (lock.fd < 0) return StatusFromErrno(errno);
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
  return ReadStoreIn(StoreDirectory(), reader);
}

NTSTATUS UpdateStore(const std::function<NTSTATUS(std::string_view, Splices&)>& change) {
  const std::string directory = StoreDirectory();
  NTSTATUS status = EnsureDirectory(directory);
  if (status < 0) return status;
  FileDescriptor lock;
  status = LockStore(directory, lock);
  if (status < 0) return status;
  RemoveLeftovers(directory);
  return ReadStoreIn(directory, [&](std::string_view text) {
    Splices splices;
    const NTSTATUS changed = change(text, splices);
    if (changed < 0 || splices.empty()) return changed;
    const NTSTATUS committed = CommitStore(directory, text, splices);
    return committed < 0 ? committed : changed;
  });
}

}  // namespace cngstore
