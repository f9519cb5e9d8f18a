// The real platform: POSIX files, files on network shares through
// libsmbclient, and a standalone Asio event loop on the program's one thread.
#pragma once

#include <asio/io_context.hpp>
#include <asio/signal_set.hpp>
#include <asio/steady_timer.hpp>
#include <map>
#include <memory>

#include "platform/platform.h"

namespace plat {

namespace smb {
class Files;
}

class RealPlatform : public Platform {
 public:
  RealPlatform();
  ~RealPlatform() override;

  int open(const char* path, unsigned access, Share share, Creation creation) override;
  bool size(int file, uint64_t* bytes) override;
  bool read(int file, void* buf, uint32_t n, uint32_t* done) override;
  bool write(int file, const void* buf, uint32_t n, uint32_t* done) override;
  bool seek(int file, int64_t offset, Origin origin, uint64_t* position) override;
  bool set_end(int file) override;
  bool file_time(int file, int64_t* ns) override;
  bool sync(int file) override;
  void close(int file) override;
  bool copy(const char* from, const char* to) override;
  bool remove(const char* path) override;
  bool rename(const char* from, const char* to) override;
  bool make_dir(const char* path) override;
  bool connect_share(const char* remote, const char* user, const char* password) override;
  int last_error() override;

  void* alloc(size_t bytes) override;
  void free(void* p) override;

  int64_t now() override;
  void local_time(int64_t t, std::tm* out) override;

  bool host_name(char* buf, size_t n) override;
  bool host_address(const char* name, uint8_t ip[4]) override;

  void set_timer_handler(TimerHandler handler) override;
  unsigned SetTimer(unsigned id, unsigned ms) override;
  void KillTimer(unsigned id) override;

  std::unique_ptr<SocketBackend> new_socket(SocketEvents* events) override;

  void run() override;
  void end(int status, const char* why) override;

  // Who is told why the program ends, before it does (the service: its
  // standard error). Ends for a signal give no reason and are not reported.
  using EndReport = std::function<void(const char* why)>;
  void set_end_report(EndReport report) { end_report_ = std::move(report); }

  asio::io_context& io() { return io_; }

 private:
  struct Timer {
    explicit Timer(asio::io_context& io) : t(io) {}
    asio::steady_timer t;
    unsigned period_ms = 0;
    uint64_t generation = 0;
  };
  void wait(unsigned id, Timer& timer);

  asio::io_context io_;
  asio::signal_set signals_;
  TimerHandler handler_;
  EndReport end_report_;
  std::map<unsigned, std::unique_ptr<Timer>> timers_;
  std::unique_ptr<smb::Files> smb_;
};

}  // namespace plat
