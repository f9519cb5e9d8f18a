// The console engine as a peer on the simulated network.
#include "qtr10/consola_sim.h"

#include <algorithm>

namespace qtr10 {

namespace {

class Extremo : public plat::SimPeer {
 public:
  explicit Extremo(Consola& c) : consola_(c) {}
  void on_data(plat::SimLink& link, const uint8_t* data, size_t n) override {
    for (Salida& s : consola_.recibe(sesion_, data, n)) {
      if (s.cierra) {
        link.close(s.retardo_ms);
      } else {
        link.send(std::move(s.bytes), s.retardo_ms);
      }
    }
  }
  void on_closed(plat::SimLink&) override { consola_.cierra(sesion_); }

 private:
  Consola& consola_;
  Sesion sesion_;
};

}  // namespace

ConsolaSim::ConsolaSim(plat::SimPlatform& sim, ConfigConsola config)
    : Consola(std::move(config), [&sim] { return sim.now_ms(); }), sim_(sim) {
  playa().pon_hora_virtual(true);
  despierta();
}

void ConsolaSim::despierta() {
  const int64_t t = proxima_venta_ms();
  if (t < 0) return;
  std::weak_ptr<bool> vivo = vivo_;
  sim_.schedule(std::max<int64_t>(0, t - sim_.now_ms()), [this, vivo] {
    if (vivo.expired()) return;
    avanza();
    despierta();
  });
}

std::unique_ptr<plat::SimPeer> ConsolaSim::accept(plat::SimLink&) {
  if (!acepta()) return nullptr;
  ++conexiones_;
  return std::make_unique<Extremo>(*this);
}

}  // namespace qtr10
