// The hand-made replies and the on-line station.
#include "estacion_en_linea.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "console/tramas.h"
#include "eventstore/apartado.h"
#include "qtr10/reloj.h"

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

namespace {

int64_t tamano(const std::string& ruta) {
  std::error_code e;
  const auto n = std::filesystem::file_size(ruta, e);
  return e ? -1 : static_cast<int64_t>(n);
}

}  // namespace

ModeloVentas::Vista EstacionEnLinea::vista(const std::string& archivo, bool perturbada) const {
  return {dlg->ventas.ultima_venta, perturbada, tamano(archivo), qtr10::fecha_de_ms(sim->now_ms())};
}

void EstacionEnLinea::sigue_ventas(ModeloVentas& modelo, const std::string& archivo) {
  sim->set_timer_handler([this, &modelo, archivo](unsigned id) {
    const int fallos = sim->faults_hit();
    const int64_t apartado = tamano(ruta(kArchivoApartados));
    dlg->ot(id);
    const bool perturbada = sim->faults_hit() != fallos;
    if (id == TIMER_VENTAS) modelo.lectura(consola->ventas_hechas(), vista(archivo, perturbada));
    if (id == TIMER_CONFIGURACION) {
      modelo.relectura(vista(archivo, perturbada), tamano(ruta(kArchivoApartados)) != apartado);
    }
  });
}

std::vector<surtidor::venta_surtidor> EstacionEnLinea::prepara_playa(int32_t tipo,
                                                                     double ventas_hora,
                                                                     uint64_t semilla) {
  const int pares[3][3] = {{0, 1, 3}, {0, 2, 5}, {1, 1, 7}};  // tank, pump, nozzle
  config_consola.tanques.resize(2,
                                {.curva = qtr10::Curva::cilindro(3000, 12000), .nivel_mm = 1500});
  config_consola.tanques[0].picos = {{1, 3, 2.0}, {2, 5, 0.0}};
  config_consola.tanques[1].picos = {{1, 7, -1.0}};
  config_consola.playa = {tipo, ruta(kVentas), ventas_hora,      2,      20,
                          5,    0.1,           {360, 840, 1320}, semilla};
  config.pon_controlador(tipo);
  int usados[kTanques] = {};
  for (const auto& [t, s, p] : pares) config.pon_par(t, usados[t]++, s, p);
  std::filesystem::create_directories(std::filesystem::path(ruta(kVentas)).parent_path());
  std::vector<surtidor::venta_surtidor> ayer;
  for (int i = 0; i < 3; ++i) {
    ayer.push_back({fecha_de(4, 3, 26, 20), pares[i][1], pares[i][2], pares[i][0] + 1, 10,
                    1000.0f * static_cast<float>(i + 1)});
    std::string error;
    if (!surtidor::agrega_venta(ruta(kVentas), tipo, ayer.back(), &error)) ADD_FAILURE() << error;
  }
  return ayer;
}
