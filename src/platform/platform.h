// The platform layer: the only code that touches the operating system.
//
// The station code reaches files, memory, the clock, the host name, timers,
// the event loop and the end of the program through one `Platform` object.
// There are two implementations: the real one (POSIX files, Asio event loop)
// and a simulated one for tests (virtual clock, fault injection).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <memory>

#include "platform/socket.h"

namespace plat {

// How a file is opened. Mirrors the access, sharing and creation modes that
// the station's file operations ask for.
enum Access : unsigned { kRead = 1, kWrite = 2, kReadWrite = 3 };

enum class Share {
  kNone,  // nobody else may hold the file open meanwhile
  kRead,  // others may open it for reading
};

enum class Creation {
  kOpenExisting,  // fail if missing
  kOpenAlways,    // create if missing, keep contents
  kCreateAlways,  // create if missing, truncate to zero
};

enum class Origin { kBegin, kCurrent, kEnd };

constexpr int kInvalidFile = -1;

using TimerHandler = std::function<void(unsigned id)>;

class Platform {
 public:
  virtual ~Platform() = default;

  // --- Files. Every path may use backslashes; they are taken as slashes.
  // Results: a handle >= 0 or kInvalidFile; true/false. last_error() tells
  // the errno value of the last failed call.
  virtual int open(const char* path, unsigned access, Share share, Creation creation) = 0;
  virtual bool size(int file, uint64_t* bytes) = 0;
  // Reads up to `n` bytes at the current position; `*done` may be short at
  // the end of the file.
  virtual bool read(int file, void* buf, uint32_t n, uint32_t* done) = 0;
  // Writes `n` bytes at the current position; `*done` may be short.
  virtual bool write(int file, const void* buf, uint32_t n, uint32_t* done) = 0;
  virtual bool seek(int file, int64_t offset, Origin origin, uint64_t* position = nullptr) = 0;
  virtual bool set_end(int file) = 0;                 // cut the file at the current position
  virtual bool file_time(int file, int64_t* ns) = 0;  // last write time
  virtual bool sync(int file) = 0;                    // flush to disk
  virtual void close(int file) = 0;
  virtual bool copy(const char* from, const char* to) = 0;  // replaces `to`
  virtual bool remove(const char* path) = 0;
  virtual bool rename(const char* from, const char* to) = 0;  // replaces `to`
  virtual bool make_dir(const char* path) = 0;
  // Connects the network share `remote` (\\host[:port]\share[\folder]) with
  // a user and password, for the share paths that follow; false when the
  // share cannot be reached (last_error()). Paths that begin with two
  // backslashes name files on such a share.
  virtual bool connect_share(const char* remote, const char* user, const char* password) = 0;
  virtual int last_error() = 0;

  // --- Memory for whole-file buffers. Null on failure.
  virtual void* alloc(size_t bytes) = 0;
  virtual void free(void* p) = 0;

  // --- Clock: calendar seconds and their local broken-down time.
  virtual int64_t now() = 0;
  virtual void local_time(int64_t t, std::tm* out) = 0;

  // --- Host name and its first IPv4 address.
  virtual bool host_name(char* buf, size_t n) = 0;
  virtual bool host_address(const char* name, uint8_t ip[4]) = 0;

  // --- Timers, with window timer semantics: a timer fires every `ms` until
  // killed; arming an armed id re-arms it. SetTimer returns 0 on failure.
  virtual void set_timer_handler(TimerHandler handler) = 0;
  virtual unsigned SetTimer(unsigned id, unsigned ms) = 0;
  virtual void KillTimer(unsigned id) = 0;

  // --- The event loop: runs until the program ends. SIGINT and SIGTERM end
  // the program at once, writing nothing.
  virtual void run() = 0;

  // --- Ends the program at once with the given status. `why` is the reason
  // as the program's own records word it (null: none given); the real
  // platform also reports it to whoever runs the program.
  [[noreturn]] void exit(int status, const char* why = nullptr) {
    end(status, why);
    std::abort();  // an implementation's end() never returns
  }

  virtual void end(int status, const char* why) = 0;

  // --- TCP client sockets. Null when no socket can be made (last_error()).
  virtual std::unique_ptr<SocketBackend> new_socket(SocketEvents* events) = 0;

 protected:
  // A copy made of this platform's own calls, so that every step is one of
  // them: `to` + ".tmp" written, put on disk and renamed over `to`. A crash
  // leaves the old `to` or the whole copy. False with the failed step's
  // error in `*error`; the temporary file is gone then.
  bool copy_in_steps(const char* from, const char* to, int* error);
};

// The platform chosen at start (the real one in the service, a simulated one
// in tests).
Platform& current();
void install(Platform* p);

// "Now" from the platform's clock, as local broken-down time.
std::tm local_now();

}  // namespace plat
