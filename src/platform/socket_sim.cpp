#include "platform/socket_sim.h"

#include <algorithm>
#include <cerrno>

#include "platform/plataforma_sim.h"

namespace plat {

namespace {

// Delivers waiting bytes' notification; repeated while bytes stay unread.
void avisa_lectura(const std::shared_ptr<SimConexion>& c) {
  if (!c->estacion_abierta || c->entrada.empty()) return;
  c->events->socket_readable(0);
  if (c->estacion_abierta && !c->entrada.empty()) {
    c->sim->schedule(0, [c] { avisa_lectura(c); });
  }
}

int64_t momento_entrega(SimConexion& c, int64_t delay_ms) {
  int64_t en = std::max(c.sim->now_ms() + c.sim->latency_ms() + delay_ms, c.ultima_entrega);
  c.ultima_entrega = en;
  return en - c.sim->now_ms();
}

class SocketSim : public SocketBackend {
 public:
  explicit SocketSim(std::shared_ptr<SimConexion> c) : c_(std::move(c)) {}
  ~SocketSim() override { close(); }

  int connect(const char* address, unsigned port) override {
    SimPlatform* sim = c_->sim;
    if (int e = sim->socket_fault(Op::kConnect)) return e;
    SimServer* server = nullptr;
    ConnectMode modo = sim->endpoint(address, port, &server);
    if (modo == ConnectMode::kSilent) return 0;
    auto c = c_;
    sim->schedule(sim->latency_ms(), [c, server, modo] {
      if (!c->estacion_abierta) return;
      if (modo == ConnectMode::kAccept) c->peer = server->accept(*c->link);
      if (!c->peer) {
        c->events->socket_connected(ECONNREFUSED);
        return;
      }
      c->conectado = true;
      c->events->socket_connected(0);
    });
    return 0;
  }

  int send(const void* buf, int n, int* error) override {
    if (int e = c_->sim->socket_fault(Op::kSend)) {
      *error = e;
      return -1;
    }
    if (!c_->conectado || !c_->estacion_abierta) {
      *error = ENOTCONN;
      return -1;
    }
    const auto* p = static_cast<const uint8_t*>(buf);
    auto datos = std::make_shared<std::vector<uint8_t>>(p, p + n);
    auto c = c_;
    c->sim->schedule(c->sim->latency_ms(), [c, datos] {
      if (c->peer && c->remoto_abierto) c->peer->on_data(*c->link, datos->data(), datos->size());
    });
    return n;
  }

  int receive(void* buf, int n, int* error) override {
    if (int e = c_->sim->socket_fault(Op::kReceive)) {
      *error = e;
      return -1;
    }
    if (c_->entrada.empty()) {
      if (!c_->remoto_abierto) return 0;
      *error = EWOULDBLOCK;
      return -1;
    }
    int k = std::min<int>(n, static_cast<int>(c_->entrada.size()));
    std::copy_n(c_->entrada.begin(), k, static_cast<uint8_t*>(buf));
    c_->entrada.erase(c_->entrada.begin(), c_->entrada.begin() + k);
    return k;
  }

  void close() override {
    if (!c_->estacion_abierta) return;
    c_->estacion_abierta = false;
    auto c = c_;
    c->sim->schedule(c->sim->latency_ms(), [c] {
      if (c->peer && c->remoto_abierto) c->peer->on_closed(*c->link);
      c->remoto_abierto = false;
    });
  }

 private:
  std::shared_ptr<SimConexion> c_;
};

}  // namespace

void SimLink::send(std::vector<uint8_t> bytes, int64_t delay_ms) {
  auto c = c_.lock();
  if (!c || !c->remoto_abierto) return;
  auto datos = std::make_shared<std::vector<uint8_t>>(std::move(bytes));
  c->sim->schedule(momento_entrega(*c, delay_ms), [c, datos] {
    if (!c->estacion_abierta) return;
    c->entrada.insert(c->entrada.end(), datos->begin(), datos->end());
    avisa_lectura(c);
  });
}

void SimLink::close(int64_t delay_ms) {
  auto c = c_.lock();
  if (!c || !c->remoto_abierto) return;
  c->sim->schedule(momento_entrega(*c, delay_ms), [c] {
    if (!c->remoto_abierto) return;
    c->remoto_abierto = false;
    if (c->estacion_abierta) c->events->socket_closed(0);
  });
}

bool SimLink::open() const {
  auto c = c_.lock();
  return c && c->remoto_abierto && c->estacion_abierta;
}

std::unique_ptr<SocketBackend> nuevo_socket_sim(SimPlatform* sim, SocketEvents* events) {
  auto c = std::make_shared<SimConexion>();
  c->sim = sim;
  c->events = events;
  c->link = std::make_unique<SimLink>(c);
  return std::make_unique<SocketSim>(std::move(c));
}

}  // namespace plat
