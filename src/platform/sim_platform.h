// The simulated platform for tests: files under a root folder of the test's
// own, a virtual clock that timers and scheduled events advance, a settable
// host, and fault injection on every file call, allocation and timer arming.
#pragma once

#include <array>
#include <cerrno>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/platform.h"
#include "platform/socket_sim.h"

namespace plat {

// The calls that a fault can hit.
enum class Op {
  kOpen,
  kSize,
  kRead,
  kWrite,
  kSeek,
  kSetEnd,
  kFileTime,
  kSync,
  kCopy,
  kRemove,
  kRename,
  kMakeDir,
  kShare,  // connecting a network share (path: the remote name)
  kAlloc,
  kSetTimer,
  kSocket,   // making a socket
  kConnect,  // a connect that fails at once
  kSend,
  kReceive,
};

struct Fault {
  Op op = Op::kOpen;
  std::string path;           // the file as the program names it ("tan/ct1n.tan"); empty: any
  unsigned timer = 0;         // kSetTimer: the timer id; 0: any
  int nth = 1;                // the nth matching call fails (counted from injection)
  bool from_then_on = false;  // and every matching call after it
  bool short_io = false;      // kRead/kWrite: move half the bytes and report success
  int error = EIO;
};

class SimPlatform : public Platform {
 public:
  // `root`: folder that stands for the working directory. `start`: the
  // virtual clock's calendar seconds, read as local time.
  SimPlatform(std::string root, int64_t start);
  ~SimPlatform() override;

  // --- Platform
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
  // Share paths (\\host\share\rest) are files under <root>/host/share/rest.
  bool connect_share(const char* remote, const char* user, const char* password) override;
  int last_error() override { return last_error_; }

  void* alloc(size_t bytes) override;
  void free(void* p) override;

  int64_t now() override { return now_ms_ / 1000; }
  void local_time(int64_t t, std::tm* out) override;

  bool host_name(char* buf, size_t n) override;
  bool host_address(const char* name, uint8_t ip[4]) override;

  void set_timer_handler(TimerHandler handler) override;
  unsigned SetTimer(unsigned id, unsigned ms) override;
  void KillTimer(unsigned id) override;

  std::unique_ptr<SocketBackend> new_socket(SocketEvents* events) override;

  void run() override;  // runs until nothing is scheduled
  void end(int status, const char* why) override;

  // --- Test controls
  const std::string& root() const { return root_; }
  std::string path_of(const std::string& name) const;  // root + "/" + name

  void set_time(int64_t seconds) { now_ms_ = seconds * 1000; }
  int64_t now_ms() const { return now_ms_; }

  // Schedules `event` on the virtual clock, `delay_ms` from now. Events due
  // at the same moment run in the order they were scheduled.
  void schedule(int64_t delay_ms, std::function<void()> event);
  // Runs every event due within the next `ms` and leaves the clock there.
  void run_for(int64_t ms);
  // Runs the earliest event, if any; false when nothing is scheduled.
  bool run_next();

  // Timer state, for checks: armed and its period.
  bool timer_armed(unsigned id, unsigned* period_ms = nullptr) const;
  // Every successful SetTimer call so far, in order: {id, ms}.
  const std::vector<std::pair<unsigned, unsigned>>& armings() const { return armings_; }

  void set_host(std::string name, bool name_ok, bool address_ok, std::array<uint8_t, 4> ip = {});

  // --- Simulated network. Nothing registered at an address is silent.
  void listen(const std::string& address, unsigned port, SimServer* server,
              ConnectMode mode = ConnectMode::kAccept);
  void set_connect_mode(const std::string& address, unsigned port, ConnectMode mode);
  void set_latency_ms(int64_t ms) { latency_ms_ = ms; }
  int64_t latency_ms() const { return latency_ms_; }
  // For the simulated sockets: the endpoint at an address, and whether a
  // fault hits this socket call (its errno, or 0).
  ConnectMode endpoint(const std::string& address, unsigned port, SimServer** server) const;
  int socket_fault(Op op);

  // The shares connected so far, in order: remote name, user, password.
  struct ShareConnection {
    std::string remote, user, password;
  };
  const std::vector<ShareConnection>& shares() const { return shares_; }

  void inject(const Fault& fault);
  void clear_faults() { faults_.clear(); }
  // How many calls the injected faults have failed so far, of one kind or
  // of all kinds.
  int faults_hit(Op op) const;
  int faults_hit() const { return faults_hit_; }
  // Blocks from alloc() not yet given back through free().
  int64_t live_allocations() const { return live_allocations_; }

 private:
  struct Rule {
    Fault fault;
    int seen = 0;
  };
  struct TimerSlot {
    unsigned period_ms = 0;
    uint64_t generation = 0;
    bool armed = false;
  };
  // The fault for this call, if any (nullptr: the call goes through).
  const Fault* fault_for(Op op, const std::string& path, unsigned timer = 0);
  bool fail(const Fault* f);
  std::string file_name(int file) const;
  void arm(unsigned id, uint64_t generation, unsigned ms);

  std::string root_;
  int64_t now_ms_;
  int last_error_ = 0;
  std::vector<Rule> faults_;
  std::map<Op, int> hits_;
  int faults_hit_ = 0;
  int64_t live_allocations_ = 0;
  std::map<int, std::string> open_files_;
  struct Event {
    std::function<void()> run;
    unsigned timer = 0;  // a timer's firing: dropped unseen once stale
    uint64_t generation = 0;
  };
  bool stale(const Event& e) const;
  void drop_stale();
  std::multimap<std::pair<int64_t, uint64_t>, Event> events_;
  uint64_t sequence_ = 0;
  TimerHandler handler_;
  std::map<unsigned, TimerSlot> timers_;
  std::vector<std::pair<unsigned, unsigned>> armings_;
  struct Endpoint {
    SimServer* server = nullptr;
    ConnectMode mode = ConnectMode::kSilent;
  };
  std::map<std::pair<std::string, unsigned>, Endpoint> endpoints_;
  int64_t latency_ms_ = 5;
  std::string host_ = "estacion";
  bool host_ok_ = true;
  bool address_ok_ = true;
  std::array<uint8_t, 4> ip_ = {192, 168, 0, 10};
  std::vector<ShareConnection> shares_;
};

}  // namespace plat
