// The simulated platform: files under the test's root folder, a virtual
// clock that runs timers and scheduled events, and fault injection.
#include "platform/sim_platform.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "platform/posix_files.h"

namespace plat {

SimPlatform::SimPlatform(std::string root, int64_t start)
    : root_(std::move(root)), now_ms_(start * 1000) {}

SimPlatform::~SimPlatform() {
  for (auto& [fd, name] : open_files_) posix::close_file(fd);
}

std::string SimPlatform::path_of(const std::string& name) const {
  std::string n = posix::normalize_path(name.c_str());
  if (n.rfind("//", 0) == 0) return root_ + n.substr(1);  // a share's file
  if (!n.empty() && n[0] == '/') return n;
  return root_ + "/" + n;
}

bool SimPlatform::connect_share(const char* remote, const char* user, const char* password) {
  if (const Fault* f = fault_for(Op::kShare, posix::normalize_path(remote))) return fail(f);
  shares_.push_back({remote, user, password});
  return true;
}

void SimPlatform::inject(const Fault& fault) { faults_.push_back({fault, 0}); }

const Fault* SimPlatform::fault_for(Op op, const std::string& path, unsigned timer) {
  for (auto& rule : faults_) {
    const Fault& f = rule.fault;
    if (f.op != op) continue;
    if (!f.path.empty() && f.path != path) continue;
    if (f.timer != 0 && f.timer != timer) continue;
    ++rule.seen;
    if (rule.seen == f.nth || (f.from_then_on && rule.seen > f.nth)) {
      ++hits_[op];
      ++faults_hit_;
      return &f;
    }
  }
  return nullptr;
}

int SimPlatform::faults_hit(Op op) const {
  auto it = hits_.find(op);
  return it == hits_.end() ? 0 : it->second;
}

bool SimPlatform::fail(const Fault* f) {
  last_error_ = f->error;
  errno = f->error;
  return false;
}

std::string SimPlatform::file_name(int file) const {
  auto it = open_files_.find(file);
  return it == open_files_.end() ? std::string() : it->second;
}

int SimPlatform::open(const char* path, unsigned access, Share share, Creation creation) {
  std::string name = posix::normalize_path(path);
  if (const Fault* f = fault_for(Op::kOpen, name)) {
    fail(f);
    return kInvalidFile;
  }
  int fd = posix::open_file(path_of(name), access, share, creation);
  if (fd < 0) {
    last_error_ = errno;
    return kInvalidFile;
  }
  open_files_[fd] = name;
  return fd;
}

bool SimPlatform::size(int file, uint64_t* bytes) {
  if (const Fault* f = fault_for(Op::kSize, file_name(file))) return fail(f);
  if (posix::file_size(file, bytes)) return true;
  last_error_ = errno;
  return false;
}

bool SimPlatform::read(int file, void* buf, uint32_t n, uint32_t* done) {
  if (const Fault* f = fault_for(Op::kRead, file_name(file))) {
    if (!f->short_io) {
      *done = 0;
      return fail(f);
    }
    n /= 2;
  }
  if (posix::read_file(file, buf, n, done)) return true;
  last_error_ = errno;
  return false;
}

bool SimPlatform::write(int file, const void* buf, uint32_t n, uint32_t* done) {
  if (const Fault* f = fault_for(Op::kWrite, file_name(file))) {
    if (!f->short_io) {
      *done = 0;
      return fail(f);
    }
    n /= 2;
  }
  if (posix::write_file(file, buf, n, done)) return true;
  last_error_ = errno;
  return false;
}

bool SimPlatform::seek(int file, int64_t offset, Origin origin, uint64_t* position) {
  if (const Fault* f = fault_for(Op::kSeek, file_name(file))) return fail(f);
  if (posix::seek_file(file, offset, origin, position)) return true;
  last_error_ = errno;
  return false;
}

bool SimPlatform::set_end(int file) {
  if (const Fault* f = fault_for(Op::kSetEnd, file_name(file))) return fail(f);
  if (posix::set_end_of_file(file)) return true;
  last_error_ = errno;
  return false;
}

bool SimPlatform::file_time(int file, int64_t* ns) {
  if (const Fault* f = fault_for(Op::kFileTime, file_name(file))) return fail(f);
  if (posix::file_time(file, ns)) return true;
  last_error_ = errno;
  return false;
}

bool SimPlatform::sync(int file) {
  if (const Fault* f = fault_for(Op::kSync, file_name(file))) return fail(f);
  if (posix::sync_file(file)) return true;
  last_error_ = errno;
  return false;
}

void SimPlatform::close(int file) {
  open_files_.erase(file);
  posix::close_file(file);
}

bool SimPlatform::copy(const char* from, const char* to) {
  std::string name = posix::normalize_path(to);
  if (const Fault* f = fault_for(Op::kCopy, name)) return fail(f);
  int error = 0;
  if (copy_in_steps(from, to, &error)) return true;
  last_error_ = error;
  return false;
}

bool SimPlatform::remove(const char* path) {
  std::string name = posix::normalize_path(path);
  if (const Fault* f = fault_for(Op::kRemove, name)) return fail(f);
  if (posix::remove_file(path_of(name))) return true;
  last_error_ = errno;
  return false;
}

bool SimPlatform::rename(const char* from, const char* to) {
  std::string name = posix::normalize_path(to);
  if (const Fault* f = fault_for(Op::kRename, name)) return fail(f);
  if (posix::rename_file(path_of(from), path_of(name))) return true;
  last_error_ = errno;
  return false;
}

bool SimPlatform::make_dir(const char* path) {
  std::string name = posix::normalize_path(path);
  if (const Fault* f = fault_for(Op::kMakeDir, name)) return fail(f);
  if (posix::make_dir(path_of(name))) return true;
  last_error_ = errno;
  return false;
}

void* SimPlatform::alloc(size_t bytes) {
  if (const Fault* f = fault_for(Op::kAlloc, "")) {
    fail(f);
    return nullptr;
  }
  void* p = std::malloc(bytes == 0 ? 1 : bytes);
  live_allocations_ += p != nullptr;
  return p;
}

void SimPlatform::free(void* p) {
  live_allocations_ -= p != nullptr;
  std::free(p);
}

void SimPlatform::local_time(int64_t t, std::tm* out) {
  // The virtual clock counts local time directly: no zone enters a test.
  time_t tt = static_cast<time_t>(t);
  ::gmtime_r(&tt, out);
}

void SimPlatform::set_host(std::string name, bool name_ok, bool address_ok,
                           std::array<uint8_t, 4> ip) {
  host_ = std::move(name);
  host_ok_ = name_ok;
  address_ok_ = address_ok;
  ip_ = ip;
}

bool SimPlatform::host_name(char* buf, size_t n) {
  if (!host_ok_ || n == 0) return false;
  std::strncpy(buf, host_.c_str(), n - 1);
  buf[n - 1] = '\0';
  return true;
}

bool SimPlatform::host_address(const char* name, uint8_t ip[4]) {
  if (!address_ok_ || host_ != name) return false;
  std::memcpy(ip, ip_.data(), 4);
  return true;
}

void SimPlatform::set_timer_handler(TimerHandler handler) { handler_ = std::move(handler); }

unsigned SimPlatform::SetTimer(unsigned id, unsigned ms) {
  if (const Fault* f = fault_for(Op::kSetTimer, "", id)) {
    fail(f);
    return 0;
  }
  if (id == 0 || ms == 0) return 0;
  TimerSlot& slot = timers_[id];
  slot.period_ms = ms;
  slot.armed = true;
  armings_.emplace_back(id, ms);
  arm(id, ++slot.generation, ms);
  return id;
}

void SimPlatform::arm(unsigned id, uint64_t generation, unsigned ms) {
  Event e;
  e.timer = id;
  e.generation = generation;
  e.run = [this, id, generation] {
    arm(id, generation, timers_[id].period_ms);
    if (handler_) handler_(id);
  };
  events_.emplace(std::make_pair(now_ms_ + ms, sequence_++), std::move(e));
}

bool SimPlatform::stale(const Event& e) const {
  // A re-armed or killed timer leaves its old firing behind.
  if (e.timer == 0) return false;
  auto it = timers_.find(e.timer);
  return it == timers_.end() || !it->second.armed || it->second.generation != e.generation;
}

void SimPlatform::KillTimer(unsigned id) {
  auto it = timers_.find(id);
  if (it == timers_.end()) return;
  it->second.armed = false;
  it->second.generation++;
}

bool SimPlatform::timer_armed(unsigned id, unsigned* period_ms) const {
  auto it = timers_.find(id);
  if (it == timers_.end() || !it->second.armed) return false;
  if (period_ms != nullptr) *period_ms = it->second.period_ms;
  return true;
}

void SimPlatform::schedule(int64_t delay_ms, std::function<void()> event) {
  events_.emplace(std::make_pair(now_ms_ + delay_ms, sequence_++), Event{std::move(event)});
}

void SimPlatform::drop_stale() {
  while (!events_.empty() && stale(events_.begin()->second)) events_.erase(events_.begin());
}

bool SimPlatform::run_next() {
  drop_stale();
  if (events_.empty()) return false;
  auto it = events_.begin();
  now_ms_ = std::max(now_ms_, it->first.first);
  std::function<void()> event = std::move(it->second.run);
  events_.erase(it);
  event();
  return true;
}

void SimPlatform::run_for(int64_t ms) {
  int64_t end = now_ms_ + ms;
  for (drop_stale(); !events_.empty() && events_.begin()->first.first <= end; drop_stale()) {
    run_next();
  }
  now_ms_ = end;
}

std::unique_ptr<SocketBackend> SimPlatform::new_socket(SocketEvents* events) {
  if (int e = socket_fault(Op::kSocket)) {
    errno = e;
    return nullptr;
  }
  return new_sim_socket(this, events);
}

void SimPlatform::listen(const std::string& address, unsigned port, SimServer* server,
                         ConnectMode mode) {
  endpoints_[{address, port}] = {server, mode};
}

void SimPlatform::set_connect_mode(const std::string& address, unsigned port, ConnectMode mode) {
  endpoints_[{address, port}].mode = mode;
}

ConnectMode SimPlatform::endpoint(const std::string& address, unsigned port,
                                  SimServer** server) const {
  auto it = endpoints_.find({address, port});
  if (it == endpoints_.end()) return ConnectMode::kSilent;
  *server = it->second.server;
  return it->second.server == nullptr && it->second.mode == ConnectMode::kAccept
             ? ConnectMode::kRefuse
             : it->second.mode;
}

int SimPlatform::socket_fault(Op op) {
  const Fault* f = fault_for(op, "");
  if (f == nullptr) return 0;
  fail(f);
  return f->error;
}

void SimPlatform::run() {
  while (run_next()) {
  }
}

// A test reads why in the journal; nothing is printed.
void SimPlatform::end(int status, const char* /*why*/) {
  std::fflush(nullptr);
  ::_exit(status);
}

}  // namespace plat
