// Files on a network share through libsmbclient's context interface: one
// context for the process, the credentials kept per host and share, and
// share handles told apart from local descriptors by their range.
//
// How the file modes meet SMB:
// - access: O_RDONLY, O_WRONLY or O_RDWR, as for a local file;
// - creation: open existing, O_CREAT, or O_CREAT|O_TRUNC (the server does
//   the truncation as part of the open, so a refused open changes nothing);
// - sharing: SMB's own share modes, which the server enforces between all
//   its clients: "no sharing" denies others any access, "shared for
//   reading" lets others only read (and fails while someone else writes).
//   A process on the server's own machine is not held off by them unless
//   the server maps them to kernel locks.
// - sync: libsmbclient has no flush; each write has reached the server when
//   it returns, which is what the caller waits for.
#include "platform/smb_files.h"

#include <fcntl.h>
#include <libsmbclient.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <map>

#include "platform/posix_files.h"

namespace plat::smb {
namespace {

// Where a share path points: the server as the URL gives it (with its
// port), the server alone as libsmbclient asks for credentials, the share,
// and the rest of the path.
struct Place {
  std::string endpoint;  // host[:port]
  std::string host;      // lowercase, no port
  std::string share;     // lowercase
  std::string rest;      // share/a/b, as given
};

bool parse(const char* path, Place* out) {
  std::string p = posix::normalize_path(path);
  if (p.rfind("//", 0) != 0) return false;
  p.erase(0, 2);
  size_t slash = p.find('/');
  out->endpoint = p.substr(0, slash);
  out->rest = slash == std::string::npos ? "" : p.substr(slash + 1);
  out->host = out->endpoint.substr(0, out->endpoint.find(':'));
  out->share = out->rest.substr(0, out->rest.find('/'));
  auto lower = [](std::string& s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  };
  lower(out->host);
  lower(out->share);
  return !out->host.empty();
}

// libsmbclient decodes %XX in the path and reads '?' as the start of its
// options: everything but the plain characters travels encoded.
std::string encode(const std::string& s) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : s) {
    if (std::isalnum(c) != 0 || std::strchr("-._~/", c) != nullptr) {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

struct Credentials {
  std::string endpoint, workgroup, user, password;
  bool operator==(const Credentials&) const = default;
};

void copy_out(const std::string& s, char* buf, int len) {
  if (len <= 0) return;
  size_t n = std::min(s.size(), static_cast<size_t>(len - 1));
  std::memcpy(buf, s.data(), n);
  buf[n] = '\0';
}

}  // namespace

bool is_share_path(const char* path) {
  return path != nullptr && (path[0] == '\\' || path[0] == '/') &&
         (path[1] == '\\' || path[1] == '/');
}

std::string url_of(const char* path) {
  Place place;
  if (!parse(path, &place)) return "";
  return "smb://" + place.endpoint + "/" + encode(place.rest);
}

struct Files::Impl {
  SMBCCTX* ctx = nullptr;
  std::map<std::string, Credentials> credentials;  // by "host/share"
  std::map<int, SMBCFILE*> open_files;

  ~Impl() {
    if (ctx == nullptr) return;
    for (auto& [handle, f] : open_files) smbc_getFunctionClose(ctx)(ctx, f);
    smbc_free_context(ctx, 1);
  }

  // The context, made on first use; null with errno set when it cannot be.
  SMBCCTX* context() {
    if (ctx != nullptr) return ctx;
    SMBCCTX* c = smbc_new_context();
    if (c == nullptr) return nullptr;
    smbc_setOptionUserData(c, this);
    smbc_setFunctionAuthDataWithContext(c, &Impl::auth);
    // The configured user and password, and nothing else: no Kerberos
    // ticket of whoever runs the service, no silent guest login after a
    // wrong password.
    smbc_setOptionUseKerberos(c, false);
    smbc_setOptionFallbackAfterKerberos(c, true);
    smbc_setOptionNoAutoAnonymousLogin(c, true);
    if (smbc_init_context(c) == nullptr) {
      int e = errno;
      smbc_free_context(c, 0);
      errno = e;
      return nullptr;
    }
    ctx = c;
    return ctx;
  }

  // libsmbclient asks for the credentials of each server and share it
  // connects to; a share never connected takes those of its server's others.
  static void auth(SMBCCTX* c, const char* server, const char* share, char* workgroup,
                   int workgroup_len, char* user, int user_len, char* password, int password_len) {
    auto* self = static_cast<Impl*>(smbc_getOptionUserData(c));
    Place place;
    if (!parse(("//" + std::string(server) + "/" + share).c_str(), &place)) return;
    auto it = self->credentials.find(place.host + "/" + place.share);
    if (it == self->credentials.end()) {
      it = std::find_if(self->credentials.begin(), self->credentials.end(),
                        [&](const auto& kv) { return kv.first.rfind(place.host + "/", 0) == 0; });
    }
    if (it == self->credentials.end()) return;
    if (!it->second.workgroup.empty()) copy_out(it->second.workgroup, workgroup, workgroup_len);
    copy_out(it->second.user, user, user_len);
    copy_out(it->second.password, password, password_len);
  }

  SMBCFILE* file(int handle) {
    auto it = open_files.find(handle);
    if (it == open_files.end() || ctx == nullptr) {
      errno = EBADF;
      return nullptr;
    }
    return it->second;
  }
};

Files::Files() : impl_(std::make_unique<Impl>()) {}
Files::~Files() = default;

bool Files::connect(const char* remote, const char* user, const char* password) {
  Place place;
  if (!parse(remote, &place) || place.share.empty()) {
    errno = EINVAL;
    return false;
  }
  SMBCCTX* c = impl_->context();
  if (c == nullptr) return false;
  Credentials wanted{place.endpoint, "", user != nullptr ? user : "",
                     password != nullptr ? password : ""};
  if (size_t bs = wanted.user.find('\\'); bs != std::string::npos) {
    wanted.workgroup = wanted.user.substr(0, bs);
    wanted.user.erase(0, bs + 1);
  }
  Credentials& kept = impl_->credentials[place.host + "/" + place.share];
  if (!(kept == wanted)) {
    kept = wanted;
    // A cached connection would go on with the old user (or the old port):
    // drop those not in use, so that the check below logs in anew.
    smbc_getFunctionPurgeCachedServers(c)(c);
  }
  struct stat st {};
  return smbc_getFunctionStat(c)(c, url_of(remote).c_str(), &st) == 0;
}

int Files::open(const char* path, unsigned access, Share share, Creation creation) {
  SMBCCTX* c = impl_->context();
  if (c == nullptr) return kInvalidFile;
  int flags = (access & kReadWrite) == kReadWrite ? O_RDWR
              : (access & kWrite) != 0            ? O_WRONLY
                                                  : O_RDONLY;
  if (creation != Creation::kOpenExisting) flags |= O_CREAT;
  if (creation == Creation::kCreateAlways) flags |= O_TRUNC;
  // The share mode is the context's; on the one thread it holds for this
  // open alone.
  smbc_setOptionOpenShareMode(
      c, share == Share::kNone ? SMBC_SHAREMODE_DENY_ALL : SMBC_SHAREMODE_DENY_WRITE);
  SMBCFILE* f = smbc_getFunctionOpen(c)(c, url_of(path).c_str(), flags, 0644);
  if (f == nullptr) return kInvalidFile;
  int handle = kFirstHandle;
  while (impl_->open_files.count(handle) != 0) ++handle;
  impl_->open_files[handle] = f;
  return handle;
}

bool Files::size(int file, uint64_t* bytes) {
  SMBCFILE* f = impl_->file(file);
  struct stat st {};
  if (f == nullptr || smbc_getFunctionFstat(impl_->ctx)(impl_->ctx, f, &st) != 0) return false;
  *bytes = static_cast<uint64_t>(st.st_size);
  return true;
}

bool Files::read(int file, void* buf, uint32_t n, uint32_t* done) {
  *done = 0;
  SMBCFILE* f = impl_->file(file);
  if (f == nullptr) return false;
  auto* p = static_cast<char*>(buf);
  while (*done < n) {
    ssize_t r = smbc_getFunctionRead(impl_->ctx)(impl_->ctx, f, p + *done, n - *done);
    if (r < 0) return false;
    if (r == 0) break;
    *done += static_cast<uint32_t>(r);
  }
  return true;
}

bool Files::write(int file, const void* buf, uint32_t n, uint32_t* done) {
  *done = 0;
  SMBCFILE* f = impl_->file(file);
  if (f == nullptr) return false;
  const auto* p = static_cast<const char*>(buf);
  while (*done < n) {
    ssize_t r = smbc_getFunctionWrite(impl_->ctx)(impl_->ctx, f, p + *done, n - *done);
    if (r <= 0) return false;
    *done += static_cast<uint32_t>(r);
  }
  return true;
}

bool Files::seek(int file, int64_t offset, Origin origin, uint64_t* position) {
  SMBCFILE* f = impl_->file(file);
  if (f == nullptr) return false;
  int whence = origin == Origin::kBegin     ? SEEK_SET
               : origin == Origin::kCurrent ? SEEK_CUR
                                            : SEEK_END;
  off_t r = smbc_getFunctionLseek(impl_->ctx)(impl_->ctx, f, static_cast<off_t>(offset), whence);
  if (r < 0) return false;
  if (position != nullptr) *position = static_cast<uint64_t>(r);
  return true;
}

bool Files::set_end(int file) {
  SMBCFILE* f = impl_->file(file);
  if (f == nullptr) return false;
  off_t pos = smbc_getFunctionLseek(impl_->ctx)(impl_->ctx, f, 0, SEEK_CUR);
  return pos >= 0 && smbc_getFunctionFtruncate(impl_->ctx)(impl_->ctx, f, pos) == 0;
}

bool Files::file_time(int file, int64_t* ns) {
  SMBCFILE* f = impl_->file(file);
  struct stat st {};
  if (f == nullptr || smbc_getFunctionFstat(impl_->ctx)(impl_->ctx, f, &st) != 0) return false;
  *ns = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  return true;
}

void Files::close(int file) {
  SMBCFILE* f = impl_->file(file);
  if (f == nullptr) return;
  smbc_getFunctionClose(impl_->ctx)(impl_->ctx, f);
  impl_->open_files.erase(file);
}

bool Files::remove(const char* path) {
  SMBCCTX* c = impl_->context();
  return c != nullptr && smbc_getFunctionUnlink(c)(c, url_of(path).c_str()) == 0;
}

bool Files::rename(const char* from, const char* to) {
  SMBCCTX* c = impl_->context();
  if (c == nullptr) return false;
  const std::string a = url_of(from), b = url_of(to);
  if (smbc_getFunctionRename(c)(c, a.c_str(), c, b.c_str()) == 0) return true;
  // SMB refuses to rename over a file: replace it as a local rename would.
  if (errno != EEXIST || smbc_getFunctionUnlink(c)(c, b.c_str()) != 0) return false;
  return smbc_getFunctionRename(c)(c, a.c_str(), c, b.c_str()) == 0;
}

bool Files::make_dir(const char* path) {
  SMBCCTX* c = impl_->context();
  return c != nullptr && smbc_getFunctionMkdir(c)(c, url_of(path).c_str(), 0755) == 0;
}

}  // namespace plat::smb
