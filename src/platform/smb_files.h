// Files on a network share, through libsmbclient: the real platform's side
// of the paths that begin with two backslashes (\\host[:port]\share\...).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/platform.h"

namespace plat::smb {

// True when `path` names a file on a share: it begins with two backslashes
// (or, backslashes being slashes to the file layer, two slashes).
bool is_share_path(const char* path);

// \\host[:port]\share\a\b as libsmbclient names it: smb://host[:port]/share/a/b,
// the share and the path percent-encoded.
std::string url_of(const char* path);

// The open share files and the one libsmbclient context of the process,
// made on first use. Calls return -1 / false on failure with errno set, as
// libsmbclient reports it.
class Files {
 public:
  // Share handles start above any descriptor the kernel hands out (it caps
  // descriptors below 2^30), so one int tells a local file from a share's.
  static constexpr int kFirstHandle = 1 << 30;
  static bool is_handle(int file) { return file >= kFirstHandle; }

  Files();
  ~Files();
  Files(const Files&) = delete;
  Files& operator=(const Files&) = delete;

  // Keeps the user and password for the host and share of `remote` and
  // checks that the remote folder can be reached with them. A user may be
  // given as DOMAIN\user.
  bool connect(const char* remote, const char* user, const char* password);

  int open(const char* path, unsigned access, Share share, Creation creation);
  bool size(int file, uint64_t* bytes);
  bool read(int file, void* buf, uint32_t n, uint32_t* done);
  bool write(int file, const void* buf, uint32_t n, uint32_t* done);
  bool seek(int file, int64_t offset, Origin origin, uint64_t* position);
  bool set_end(int file);
  bool file_time(int file, int64_t* ns);
  void close(int file);
  bool remove(const char* path);
  bool rename(const char* from, const char* to);  // both on a share; replaces `to`
  bool make_dir(const char* path);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace plat::smb
