// The scripted console, the hand-made replies and the on-line station.
#include "estacion_en_linea.h"

#include <algorithm>
#include <cstring>

#include "console/tramas.h"
#include "platform/plataforma_sim.h"

namespace {

void suma_le(bytes& v, size_t desde) {
  const uint32_t s = suma(v.data() + desde, v.size() - desde);
  v.insert(v.end(), {static_cast<uint8_t>(s), static_cast<uint8_t>(s >> 8)});
}

class Par : public plat::SimPeer {
 public:
  Par(ConsolaPrueba* c, int n) : c_(c), n_(n) {}
  void on_data(plat::SimLink& link, const uint8_t* d, size_t n) override { c_->recibe(link, n_, d, n); }

 private:
  ConsolaPrueba* c_;
  int n_;
};

// Frame lengths by command code, prefix included.
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

}  // namespace

bytes respuesta_inventario(const fecha_bcd& reloj, const bytes& registros, bool pregunta) {
  const auto* f = reinterpret_cast<const uint8_t*>(&reloj);
  bytes v = {0x00};
  v.insert(v.end(), f, f + 7);
  v.push_back(pregunta ? 0 : 0xFF);
  suma_le(v, 0);
  v.insert(v.end(), {ETX, STX, 2, static_cast<uint8_t>(registros.size() / 57)});
  v.insert(v.end(), registros.begin(), registros.end());
  suma_le(v, 13);
  v.push_back(ETX);
  if (pregunta) {
    v.insert(v.end(), 42, 0x11);
    suma_le(v, v.size() - 42);
    v.push_back(ETX);
  }
  return v;
}

bytes respuesta_descargas(uint8_t n, uint8_t m) {
  bytes v = {STX, 1, n, m};
  for (int i = 0; i < 45 * n * m; ++i) v.push_back(static_cast<uint8_t>(0x20 + i % 50));
  suma_le(v, 1);
  v.push_back(ETX);
  return v;
}

bytes respuesta_tabla(tabla_calib t) {
  convierte_tabla(t);
  const auto* p = reinterpret_cast<const uint8_t*>(&t);
  bytes v = {STX, 0x04, 0xDE};  // 1246
  v.insert(v.end(), p, p + sizeof t);
  suma_le(v, 3);
  v.push_back(ETX);
  return v;
}

std::unique_ptr<plat::SimPeer> ConsolaPrueba::accept(plat::SimLink&) {
  return std::make_unique<Par>(this, ++conexiones);
}

void ConsolaPrueba::recibe(plat::SimLink& link, int conexion, const uint8_t* d, size_t n) {
  pendiente_.insert(pendiente_.end(), d, d + n);
  while (pendiente_.size() >= 11) {
    const auto largo = static_cast<long>(largo_trama(pendiente_[10]));
    if (largo == 0) {
      pendiente_.clear();  // not a command: dropped
      return;
    }
    if (pendiente_.size() < static_cast<size_t>(largo)) return;
    tramas.push_back({static_cast<plat::SimPlatform&>(plat::sistema()).now_ms(), conexion,
                      bytes(pendiente_.begin(), pendiente_.begin() + largo)});
    pendiente_.erase(pendiente_.begin(), pendiente_.begin() + largo);
    if (modo == Modo::kCierra) link.close();
    if (modo != Modo::kContesta) continue;
    tabla_calib plana{};
    plana.version_formato = kVersionFormatoTabla;
    switch (tramas.back().codigo()) {
      case CODIGO_RW: link.send(respuesta_inventario(fecha_bcd{0, 0, 0, 1, 1, 5, 0x26}), demora_ms); break;
      case CODIGO_RDW: link.send(respuesta_descargas(0, 0), demora_ms); break;
      case CODIGO_RCW: link.send(respuesta_tabla(plana), demora_ms); break;
      default: link.send({STX, ACK_OK, ETX}, demora_ms); break;
    }
  }
}

void entrega(CNivaraDlg& d, const bytes& datos, std::vector<size_t> trozos) {
  size_t pos = 0;
  for (size_t i = 0; pos < datos.size(); ++i) {
    size_t k = std::min(trozos[std::min(i, trozos.size() - 1)], datos.size() - pos);
    std::memcpy(d.enlace.buffer_rx, datos.data() + pos, k);
    d.enlace.puntero_rx = 0;
    d.enlace.cantidad_rx = static_cast<uint32_t>(k);
    d.oc();
    EXPECT_EQ(d.enlace.cantidad_rx, 0u);
    pos += k;
  }
}

long veces(const std::vector<std::string>& v, const std::string& x) { return std::count(v.begin(), v.end(), x); }

void EstacionEnLinea::SetUp() {
  Estacion::SetUp();
  sim->listen("10.0.0.7", 10001, &consola);
}

void EstacionEnLinea::TearDown() {
  dlg.reset();  // its socket goes before the platform
  Estacion::TearDown();
}

void EstacionEnLinea::arranca() {
  escribe_archivo(ruta("tnq.ini"), archivo_tnq(config));
  dlg = std::make_unique<CNivaraDlg>();
  sim->set_timer_handler([this](unsigned id) { dlg->ot(id); });
  inicio_ms = sim->now_ms();
  dlg->oid();
  vistos = eventos().size();
}

std::vector<std::string> EstacionEnLinea::eventos_nuevos() {
  std::vector<std::string> e = eventos();
  std::vector<std::string> nuevos(e.begin() + static_cast<long>(vistos), e.end());
  vistos = e.size();
  return nuevos;
}

long EstacionEnLinea::cuenta(uint8_t codigo) const {
  return std::count_if(consola.tramas.begin(), consola.tramas.end(),
                       [codigo](const trama_recibida& t) { return t.codigo() == codigo; });
}
