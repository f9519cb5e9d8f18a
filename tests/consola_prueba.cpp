#include "consola_prueba.h"

#include "console/tramas.h"
#include "platform/plataforma.h"
#include "platform/plataforma_sim.h"

namespace {

class Par : public plat::SimPeer {
 public:
  Par(ConsolaPrueba* c, int n) : c_(c), n_(n) {}
  void on_data(plat::SimLink& link, const uint8_t* d, size_t n) override { c_->recibe(link, n_, d, n); }

 private:
  ConsolaPrueba* c_;
  int n_;
};

void pon_suma(std::vector<uint8_t>& v, size_t desde, size_t hasta) {
  uint16_t s = static_cast<uint16_t>(suma(v.data() + desde, hasta - desde));
  v.push_back(static_cast<uint8_t>(s));
  v.push_back(static_cast<uint8_t>(s >> 8));
}

// Frame lengths by command code (prefix included).
size_t largo_trama(uint8_t codigo) {
  switch (codigo) {
    case CODIGO_RW: return 13;
    case CODIGO_RDW: return 14;
    case CODIGO_PRE: return 19;
    case CODIGO_RCW: return 17;
    case CODIGO_PCW: return 1261;
    case CODIGO_PCT: return 11;
    default: return 0;
  }
}

std::vector<uint8_t> sin_descargas() {
  std::vector<uint8_t> v = {STX, 0x01, 0x00, 0x00};
  pon_suma(v, 1, 4);
  v.push_back(ETX);
  return v;
}

// A table of format version 3 and nothing else.
std::vector<uint8_t> tabla() {
  std::vector<uint8_t> v(3 + 1246, 0);
  v[0] = STX, v[1] = 0x04, v[2] = 0xDE, v[4] = 0x03;
  pon_suma(v, 3, 3 + 1246);
  v.push_back(ETX);
  return v;
}

}  // namespace

std::vector<uint8_t> ConsolaPrueba::inventario_vacio() {
  // Form, the console clock (01/01/26 00:00:00), no question.
  std::vector<uint8_t> v = {0x00, 0x00, 0x00, 0x00, 0x01, 0x01, 0x05, 0x26, 0xFF};
  pon_suma(v, 0, 9);
  v.insert(v.end(), {ETX, STX, 0x01, 0x00});
  pon_suma(v, 13, 15);
  v.push_back(ETX);
  return v;
}

std::unique_ptr<plat::SimPeer> ConsolaPrueba::accept(plat::SimLink&) {
  return std::make_unique<Par>(this, ++conexiones);
}

void ConsolaPrueba::recibe(plat::SimLink& link, int conexion, const uint8_t* d, size_t n) {
  pendiente_.insert(pendiente_.end(), d, d + n);
  while (pendiente_.size() >= 11) {
    size_t largo = largo_trama(pendiente_[10]);
    if (largo == 0) {
      pendiente_.clear();  // not a command: dropped
      return;
    }
    if (pendiente_.size() < largo) return;
    trama_recibida t{static_cast<plat::SimPlatform&>(plat::sistema()).now_ms(), conexion,
                     std::vector<uint8_t>(pendiente_.begin(), pendiente_.begin() + static_cast<long>(largo))};
    pendiente_.erase(pendiente_.begin(), pendiente_.begin() + static_cast<long>(largo));
    uint8_t codigo = t.codigo();
    tramas.push_back(std::move(t));
    if (modo == Modo::kCalla) continue;
    if (modo == Modo::kCierra) {
      link.close();
      continue;
    }
    switch (codigo) {
      case CODIGO_RW: link.send(inventario_vacio(), demora_ms); break;
      case CODIGO_RDW: link.send(sin_descargas(), demora_ms); break;
      case CODIGO_RCW: link.send(tabla(), demora_ms); break;
      default: link.send({STX, 0x80, ETX}, demora_ms); break;
    }
  }
}
