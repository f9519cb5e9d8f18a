// POSIX file calls shared by the real and the simulated platform: sharing
// modes as flock locks, paths with backslashes taken as slashes.
#include "platform/posix_files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace plat::posix {

std::string normalize_path(const char* path) {
  std::string s = path != nullptr ? path : "";
  std::replace(s.begin(), s.end(), '\\', '/');
  return s;
}

int open_file(const std::string& path, unsigned access, Share share, Creation creation) {
  int flags = O_CLOEXEC;
  if ((access & kReadWrite) == kReadWrite) {
    flags |= O_RDWR;
  } else if ((access & kWrite) != 0) {
    flags |= O_WRONLY;
  } else {
    flags |= O_RDONLY;
  }
  if (creation != Creation::kOpenExisting) flags |= O_CREAT;
  int fd = ::open(path.c_str(), flags, 0644);
  if (fd < 0) return -1;
  // A folder opens for reading only; opening one to write already failed.
  struct stat st {};
  if ((flags & O_ACCMODE) == O_RDONLY && (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode))) {
    int e = S_ISDIR(st.st_mode) ? EISDIR : errno;
    ::close(fd);
    errno = e;
    return -1;
  }
  // Sharing: an exclusive lock for "no sharing", a shared one otherwise.
  int lock = (share == Share::kNone ? LOCK_EX : LOCK_SH) | LOCK_NB;
  if (::flock(fd, lock) != 0) {
    int e = errno;
    ::close(fd);
    errno = e;
    return -1;
  }
  // Truncate only once the lock is held, so a refused open changes nothing.
  if (creation == Creation::kCreateAlways && ::ftruncate(fd, 0) != 0) {
    int e = errno;
    ::close(fd);
    errno = e;
    return -1;
  }
  return fd;
}

bool file_size(int fd, uint64_t* bytes) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) return false;
  *bytes = static_cast<uint64_t>(st.st_size);
  return true;
}

bool read_file(int fd, void* buf, uint32_t n, uint32_t* done) {
  uint32_t total = 0;
  auto* p = static_cast<char*>(buf);
  while (total < n) {
    ssize_t r = ::read(fd, p + total, n - total);
    if (r < 0) {
      if (errno == EINTR) continue;
      *done = total;
      return false;
    }
    if (r == 0) break;
    total += static_cast<uint32_t>(r);
  }
  *done = total;
  return true;
}

bool write_file(int fd, const void* buf, uint32_t n, uint32_t* done) {
  uint32_t total = 0;
  const auto* p = static_cast<const char*>(buf);
  while (total < n) {
    ssize_t r = ::write(fd, p + total, n - total);
    if (r < 0) {
      if (errno == EINTR) continue;
      *done = total;
      return false;
    }
    total += static_cast<uint32_t>(r);
  }
  *done = total;
  return true;
}

bool seek_file(int fd, int64_t offset, Origin origin, uint64_t* position) {
  int whence = origin == Origin::kBegin     ? SEEK_SET
               : origin == Origin::kCurrent ? SEEK_CUR
                                            : SEEK_END;
  off_t r = ::lseek(fd, static_cast<off_t>(offset), whence);
  if (r < 0) return false;
  if (position != nullptr) *position = static_cast<uint64_t>(r);
  return true;
}

bool set_end_of_file(int fd) {
  off_t pos = ::lseek(fd, 0, SEEK_CUR);
  return pos >= 0 && ::ftruncate(fd, pos) == 0;
}

bool file_time(int fd, int64_t* ns) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) return false;
  *ns = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  return true;
}

bool sync_file(int fd) { return ::fsync(fd) == 0; }

void close_file(int fd) {
  if (fd >= 0) ::close(fd);
}

// The folder's own entry is flushed too, so that the rename outlives a
// power cut: until then the disk may still hold the old name.
bool rename_file(const std::string& from, const std::string& to) {
  if (::rename(from.c_str(), to.c_str()) != 0) return false;
  const size_t slash = to.rfind('/');
  const std::string folder = slash == std::string::npos ? "."
                             : slash == 0               ? "/"
                                                        : to.substr(0, slash);
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    ::fsync(fd);
    ::close(fd);
  }
  return true;
}

bool remove_file(const std::string& path) { return ::unlink(path.c_str()) == 0; }

bool make_dir(const std::string& path) { return ::mkdir(path.c_str(), 0755) == 0; }

}  // namespace plat::posix
