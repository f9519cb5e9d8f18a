// The working folder's write check and the one-service lock (flock on a
// file there, the holder's process id in it).
#include "platform/working_folder.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace plat {

namespace {

// The process id written in the lock file; 0 when there is none yet.
pid_t written_holder(int file) {
  char text[24] = {};
  const ssize_t n = ::pread(file, text, sizeof text - 1, 0);
  return n > 0 ? static_cast<pid_t>(std::strtol(text, nullptr, 10)) : 0;
}

}  // namespace

int folder_write_error(const char* folder) {
  // The effective ids, as the kernel checks a creation; a read-only mount
  // says EROFS here even to root.
  return ::faccessat(AT_FDCWD, folder, W_OK | X_OK, AT_EACCESS) == 0 ? 0 : errno;
}

InstanceLock take_instance_lock(const char* path) {
  InstanceLock lock;
  const int file = ::open(path, O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (file < 0) {
    lock.error = errno;
    return lock;
  }
  if (::flock(file, LOCK_EX | LOCK_NB) != 0) {
    lock.error = errno;
    lock.holder = written_holder(file);
    ::close(file);
    return lock;
  }
  char text[24];
  const int n = std::snprintf(text, sizeof text, "%ld\n", static_cast<long>(::getpid()));
  if (::ftruncate(file, 0) != 0 || ::pwrite(file, text, static_cast<size_t>(n), 0) != n) {
    lock.error = errno;
    ::close(file);
    return lock;
  }
  lock.held = true;  // the descriptor is never closed: the lock ends with the process
  return lock;
}

pid_t instance_lock_holder(const char* path) {
  const int file = ::open(path, O_RDONLY | O_CLOEXEC);
  if (file < 0) return 0;
  pid_t holder = 0;
  if (::flock(file, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
    holder = written_holder(file);
    if (holder == 0) holder = -1;
  }
  ::close(file);
  return holder;
}

}  // namespace plat
