// The real platform: POSIX files and files on network shares, the host's
// clock and name, and window-like timers and sockets on one Asio event loop.
#include "platform/real_platform.h"

#include <netdb.h>
#include <netinet/in.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include "platform/posix_files.h"
#include "platform/smb_files.h"
#include "platform/socket_real.h"

namespace plat {

RealPlatform::RealPlatform()
    : signals_(io_, SIGINT, SIGTERM), smb_(std::make_unique<smb::Files>()) {}
RealPlatform::~RealPlatform() = default;

// A share path or handle goes to libsmbclient; everything else stays local.
int RealPlatform::open(const char* path, unsigned access, Share share, Creation creation) {
  if (smb::is_share_path(path)) return smb_->open(path, access, share, creation);
  return posix::open_file(posix::normalize_path(path), access, share, creation);
}
bool RealPlatform::size(int file, uint64_t* bytes) {
  return smb::Files::is_handle(file) ? smb_->size(file, bytes) : posix::file_size(file, bytes);
}
bool RealPlatform::read(int file, void* buf, uint32_t n, uint32_t* done) {
  return smb::Files::is_handle(file) ? smb_->read(file, buf, n, done)
                                     : posix::read_file(file, buf, n, done);
}
bool RealPlatform::write(int file, const void* buf, uint32_t n, uint32_t* done) {
  return smb::Files::is_handle(file) ? smb_->write(file, buf, n, done)
                                     : posix::write_file(file, buf, n, done);
}
bool RealPlatform::seek(int file, int64_t offset, Origin origin, uint64_t* position) {
  return smb::Files::is_handle(file) ? smb_->seek(file, offset, origin, position)
                                     : posix::seek_file(file, offset, origin, position);
}
bool RealPlatform::set_end(int file) {
  return smb::Files::is_handle(file) ? smb_->set_end(file) : posix::set_end_of_file(file);
}
bool RealPlatform::file_time(int file, int64_t* ns) {
  return smb::Files::is_handle(file) ? smb_->file_time(file, ns) : posix::file_time(file, ns);
}
bool RealPlatform::sync(int file) { return smb::Files::is_handle(file) || posix::sync_file(file); }
void RealPlatform::close(int file) {
  if (smb::Files::is_handle(file)) {
    smb_->close(file);
  } else {
    posix::close_file(file);
  }
}
bool RealPlatform::copy(const char* from, const char* to) {
  int error = 0;
  if (copy_in_steps(from, to, &error)) return true;
  errno = error;
  return false;
}
bool RealPlatform::remove(const char* path) {
  if (smb::is_share_path(path)) return smb_->remove(path);
  return posix::remove_file(posix::normalize_path(path));
}
bool RealPlatform::rename(const char* from, const char* to) {
  const bool a = smb::is_share_path(from), b = smb::is_share_path(to);
  if (a && b) return smb_->rename(from, to);
  if (a || b) {
    errno = EXDEV;
    return false;
  }
  return posix::rename_file(posix::normalize_path(from), posix::normalize_path(to));
}
bool RealPlatform::make_dir(const char* path) {
  if (smb::is_share_path(path)) return smb_->make_dir(path);
  return posix::make_dir(posix::normalize_path(path));
}
bool RealPlatform::connect_share(const char* remote, const char* user, const char* password) {
  return smb_->connect(remote, user, password);
}

int RealPlatform::last_error() { return errno; }

void* RealPlatform::alloc(size_t bytes) { return std::malloc(bytes == 0 ? 1 : bytes); }
void RealPlatform::free(void* p) { std::free(p); }

int64_t RealPlatform::now() { return static_cast<int64_t>(::time(nullptr)); }

void RealPlatform::local_time(int64_t t, std::tm* out) {
  time_t tt = static_cast<time_t>(t);
  ::localtime_r(&tt, out);
}

bool RealPlatform::host_name(char* buf, size_t n) {
  if (::gethostname(buf, n) != 0) return false;
  buf[n - 1] = '\0';
  return true;
}

bool RealPlatform::host_address(const char* name, uint8_t ip[4]) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  addrinfo* res = nullptr;
  if (::getaddrinfo(name, nullptr, &hints, &res) != 0 || res == nullptr) return false;
  const auto* sin = reinterpret_cast<const sockaddr_in*>(res->ai_addr);
  std::memcpy(ip, &sin->sin_addr.s_addr, 4);  // network order: first octet first
  ::freeaddrinfo(res);
  return true;
}

void RealPlatform::set_timer_handler(TimerHandler handler) { handler_ = std::move(handler); }

unsigned RealPlatform::SetTimer(unsigned id, unsigned ms) {
  if (id == 0 || ms == 0) return 0;
  auto& slot = timers_[id];
  if (!slot) slot = std::make_unique<Timer>(io_);
  slot->period_ms = ms;
  slot->generation++;
  slot->t.expires_after(std::chrono::milliseconds(ms));
  wait(id, *slot);
  return id;
}

void RealPlatform::wait(unsigned id, Timer& timer) {
  uint64_t generation = timer.generation;
  timer.t.async_wait([this, id, &timer, generation](const std::error_code& ec) {
    // A re-armed or killed timer leaves its old wait behind: ignore it.
    if (ec || timer.generation != generation) return;
    // Like a window timer, a late tick is not caught up: the next one is a
    // whole period from now.
    timer.t.expires_after(std::chrono::milliseconds(timer.period_ms));
    wait(id, timer);
    if (handler_) handler_(id);
  });
}

void RealPlatform::KillTimer(unsigned id) {
  auto it = timers_.find(id);
  if (it == timers_.end()) return;
  it->second->generation++;
  it->second->t.cancel();
}

std::unique_ptr<SocketBackend> RealPlatform::new_socket(SocketEvents* events) {
  return new_asio_socket(io_, events);
}

void RealPlatform::run() {
  // Closing the station program ends it at once; nothing is written.
  signals_.async_wait([](const std::error_code& ec, int) {
    if (!ec) ::_exit(0);
  });
  auto guard = asio::make_work_guard(io_);
  io_.run();
}

void RealPlatform::end(int status, const char* why) {
  if (why != nullptr && end_report_) end_report_(why);
  std::fflush(nullptr);
  ::_exit(status);
}

}  // namespace plat
