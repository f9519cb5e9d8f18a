// The hand-made replies and the on-line station.
#include "estacion_en_linea.h"

#include <algorithm>
#include <cstring>

#include "console/tramas.h"

namespace {

void suma_le(bytes& v, size_t desde) {
  const uint32_t s = suma(v.data() + desde, v.size() - desde);
  v.insert(v.end(), {static_cast<uint8_t>(s), static_cast<uint8_t>(s >> 8)});
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

long veces(const std::vector<std::string>& v, const std::string& x) {
  return std::count(v.begin(), v.end(), x);
}

void EstacionEnLinea::TearDown() {
  dlg.reset();  // its socket goes before the console and the platform
  consola.reset();
  Estacion::TearDown();
}

void EstacionEnLinea::arranca() {
  if (!consola) {
    consola = std::make_unique<qtr10::ConsolaSim>(*sim, config_consola);
    sim->listen("10.0.0.7", 10001, consola.get());
  }
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
