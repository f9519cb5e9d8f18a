// Simulated TCP connections: bytes and closes travel as events on the
// simulated platform's virtual clock, after its latency and in order.
#include "platform/socket_sim.h"

#include <algorithm>
#include <cerrno>

#include "platform/sim_platform.h"

namespace plat {

namespace {

// Delivers waiting bytes' notification; repeated while bytes stay unread.
void notify_readable(const std::shared_ptr<SimConnection>& c) {
  if (!c->station_open || c->incoming.empty()) return;
  c->events->socket_readable(0);
  if (c->station_open && !c->incoming.empty()) {
    c->sim->schedule(0, [c] { notify_readable(c); });
  }
}

int64_t delivery_delay(SimConnection& c, int64_t delay_ms) {
  int64_t at = std::max(c.sim->now_ms() + c.sim->latency_ms() + delay_ms, c.last_delivery);
  c.last_delivery = at;
  return at - c.sim->now_ms();
}

class SocketSim : public SocketBackend {
 public:
  explicit SocketSim(std::shared_ptr<SimConnection> c) : c_(std::move(c)) {}
  ~SocketSim() override { close(); }

  int connect(const char* address, unsigned port) override {
    SimPlatform* sim = c_->sim;
    if (int e = sim->socket_fault(Op::kConnect)) return e;
    SimServer* server = nullptr;
    ConnectMode mode = sim->endpoint(address, port, &server);
    if (mode == ConnectMode::kSilent) return 0;
    auto c = c_;
    sim->schedule(sim->latency_ms(), [c, server, mode] {
      if (!c->station_open) return;
      if (mode == ConnectMode::kAccept) c->peer = server->accept(*c->link);
      if (!c->peer) {
        c->events->socket_connected(ECONNREFUSED);
        return;
      }
      c->connected = true;
      c->events->socket_connected(0);
    });
    return 0;
  }

  int send(const void* buf, int n, int* error) override {
    if (int e = c_->sim->socket_fault(Op::kSend)) {
      *error = e;
      return -1;
    }
    if (!c_->connected || !c_->station_open) {
      *error = ENOTCONN;
      return -1;
    }
    const auto* p = static_cast<const uint8_t*>(buf);
    auto data = std::make_shared<std::vector<uint8_t>>(p, p + n);
    auto c = c_;
    c->sim->schedule(c->sim->latency_ms(), [c, data] {
      if (c->peer && c->remote_open) c->peer->on_data(*c->link, data->data(), data->size());
    });
    return n;
  }

  int receive(void* buf, int n, int* error) override {
    if (int e = c_->sim->socket_fault(Op::kReceive)) {
      *error = e;
      return -1;
    }
    if (c_->incoming.empty()) {
      if (!c_->remote_open) return 0;
      *error = EWOULDBLOCK;
      return -1;
    }
    int k = std::min<int>(n, static_cast<int>(c_->incoming.size()));
    std::copy_n(c_->incoming.begin(), k, static_cast<uint8_t*>(buf));
    c_->incoming.erase(c_->incoming.begin(), c_->incoming.begin() + k);
    return k;
  }

  void close() override {
    if (!c_->station_open) return;
    c_->station_open = false;
    auto c = c_;
    c->sim->schedule(c->sim->latency_ms(), [c] {
      if (c->peer && c->remote_open) c->peer->on_closed(*c->link);
      c->remote_open = false;
    });
  }

 private:
  std::shared_ptr<SimConnection> c_;
};

}  // namespace

void SimLink::send(std::vector<uint8_t> bytes, int64_t delay_ms) {
  auto c = c_.lock();
  if (!c || !c->remote_open) return;
  auto data = std::make_shared<std::vector<uint8_t>>(std::move(bytes));
  c->sim->schedule(delivery_delay(*c, delay_ms), [c, data] {
    if (!c->station_open) return;
    c->incoming.insert(c->incoming.end(), data->begin(), data->end());
    notify_readable(c);
  });
}

void SimLink::close(int64_t delay_ms) {
  auto c = c_.lock();
  if (!c || !c->remote_open) return;
  c->sim->schedule(delivery_delay(*c, delay_ms), [c] {
    if (!c->remote_open) return;
    c->remote_open = false;
    if (c->station_open) c->events->socket_closed(0);
  });
}

bool SimLink::open() const {
  auto c = c_.lock();
  return c && c->remote_open && c->station_open;
}

std::unique_ptr<SocketBackend> new_sim_socket(SimPlatform* sim, SocketEvents* events) {
  auto c = std::make_shared<SimConnection>();
  c->sim = sim;
  c->events = events;
  c->link = std::make_unique<SimLink>(c);
  return std::make_unique<SocketSim>(std::move(c));
}

}  // namespace plat
