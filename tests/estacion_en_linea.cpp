#include "estacion_en_linea.h"

#include <algorithm>
#include <cstring>

void entrega(CNivaraDlg& d, const std::vector<uint8_t>& datos, std::vector<size_t> trozos) {
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

std::vector<uint8_t> EstacionEnLinea::codigos() const {
  std::vector<uint8_t> c;
  for (const trama_recibida& t : consola.tramas) c.push_back(t.codigo());
  return c;
}
