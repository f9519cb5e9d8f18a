// The console engine as a peer on the simulated network.
#include "qtr10/consola_sim.h"

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
    : Consola(std::move(config), [&sim] { return sim.now_ms(); }) {}

std::unique_ptr<plat::SimPeer> ConsolaSim::accept(plat::SimLink&) {
  if (!acepta()) return nullptr;
  ++conexiones_;
  return std::make_unique<Extremo>(*this);
}

}  // namespace qtr10
