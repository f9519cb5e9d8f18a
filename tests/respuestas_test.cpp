// Each console reply checked and put to use by the reply handler.
#include <gtest/gtest.h>

#include <cstring>

#include "console/tramas.h"
#include "estacion_en_linea.h"
#include "foundation/bytes.h"

namespace {

using B = std::vector<uint8_t>;
using V = std::vector<std::string>;

void suma_le(B& v, size_t desde, size_t hasta) {
  uint32_t s = suma(v.data() + desde, hasta - desde);
  v.push_back(static_cast<uint8_t>(s));
  v.push_back(static_cast<uint8_t>(s >> 8));
}

// An inventory reply of `n` layout-2 tanks with inventory, 100 litres each
// (or records all of `relleno` bytes); the console clock at `reloj`; with a
// sale question on tank 0 when asked.
B inventario(int n, const fecha_bcd& reloj, bool pregunta = false, int relleno = -1) {
  B v = {0x00};
  v.insert(v.end(), reinterpret_cast<const uint8_t*>(&reloj), reinterpret_cast<const uint8_t*>(&reloj) + 7);
  v.push_back(pregunta ? 0 : 0xFF);
  suma_le(v, 0, 9);
  v.insert(v.end(), {ETX, STX, 2, static_cast<uint8_t>(n)});
  for (int t = 0; t < n; ++t) {
    B r(57, 0);
    r[0] = 1;
    std::memcpy(r.data() + 1, &reloj, 7);
    const uint8_t cien[4] = {0x42, 0xC8, 0, 0};  // 100.0
    std::memcpy(r.data() + 32, cien, 4);
    if (relleno >= 0) r.assign(57, static_cast<uint8_t>(relleno));
    v.insert(v.end(), r.begin(), r.end());
  }
  suma_le(v, 13, v.size());
  v.push_back(ETX);
  if (pregunta) {
    B q(42, 0x11);
    v.insert(v.end(), q.begin(), q.end());
    suma_le(v, v.size() - 42, v.size());
    v.push_back(ETX);
  }
  return v;
}

B descargas(uint8_t n, uint8_t m) {
  B v = {STX, 1, n, m};
  for (int i = 0; i < 45 * n * m; ++i) v.push_back(static_cast<uint8_t>(0x20 + i % 50));
  suma_le(v, 1, v.size());
  v.push_back(ETX);
  return v;
}

class Respuestas : public EstacionEnLinea {
 protected:
  void SetUp() override {
    EstacionEnLinea::SetUp();
    config.bytes[tnq::kSincronizaReloj] = 1;
    arranca();
    eventos_nuevos();
  }
  // The reply arrives while `estado` awaits it, as its sender set it up.
  void llega(int32_t estado, const B& r) {
    dlg->enlace.estado_oc = estado;
    dlg->enlace.puntero_respuesta = 0;
    dlg->enlace.faltan_respuesta = estado == WAIT_READ ? 15 : estado == WAIT_DESCARGAS ? 4 :
                                   estado == WAIT_READ_CALIB ? 1252 : 3;
    dlg->enlace.fase_respuesta = estado == WAIT_READ ? FASE_RW_CABECERA : FASE_RDW_CABECERA;
    entrega(*dlg, r);
  }
  fecha_bcd ahora() {
    fecha_bcd f;
    fecha_actual(&f);
    return f;
  }
};

TEST_F(Respuestas, InventoryChecksLeaveAllAsItWasWhenTheyFail) {
  const B buena = inventario(1, ahora(), true);
  auto con = [&](size_t i) {
    B r = buena;
    r[i] ^= 0x40;
    return r;
  };
  // Five tanks of 0xFF bytes add up beyond 65535: the stored 16 bits of
  // their sum never match it when it is checked.
  const B desbordada = inventario(5, ahora(), true, 0xFF);
  // The header's sum, its STX, the records' ETX, the records' sum.
  for (const B& r : {con(9), con(12), con(17 + 57), con(15 + 57), desbordada}) llega(WAIT_READ, r);
  EXPECT_EQ(eventos_nuevos(), (V{"19", "18", "18", "19", "19"}));
  EXPECT_EQ(dlg->enlace.estado_oc, WAIT_READ);
  EXPECT_EQ(archivo("qtrs.nvr").size(), 21u);

  // The records' sum is checked only when a question ended by ETX follows.
  B sin_fin = desbordada;
  sin_fin.back() = 0;
  for (const B& r : {inventario(5, ahora(), false, 0xFF), sin_fin}) {
    llega(WAIT_READ, r);
    EXPECT_EQ(eventos_nuevos().front(), "12");
  }
  EXPECT_EQ(archivo("qtrs.nvr").size(), 21u);  // nothing measured moved

  llega(WAIT_READ, con(60 + 57));  // the question's sum: the reply still counts
  V e = eventos_nuevos();
  EXPECT_EQ(e.front(), "12");
  EXPECT_EQ(e.back(), "24");
  EXPECT_EQ(dlg->enlace.estado_oc, 0);
  EXPECT_EQ(archivo("qtrs.nvr").size(), 42u);  // the snapshot went in
}

TEST_F(Respuestas, TheConsoleClockIsSetOnlyWhenMoreThan30SecondsOff) {
  sim->KillTimer(TIMER_PRE);
  auto atrasada = [&](int s) {
    sim->set_time(sim->now() - s);
    fecha_bcd f = ahora();
    sim->set_time(sim->now() + s);
    return f;
  };
  llega(WAIT_READ, inventario(0, atrasada(30)));
  EXPECT_FALSE(sim->timer_armed(TIMER_PRE));
  llega(WAIT_READ, inventario(0, atrasada(31)));
  unsigned periodo = 0;
  EXPECT_TRUE(sim->timer_armed(TIMER_PRE, &periodo));
  EXPECT_EQ(periodo, 50u);
  EXPECT_EQ(eventos_nuevos(), (V{"12", "12", "20"}));
}

TEST_F(Respuestas, DeliveriesFillTheTableAndWaitForTheNextReport) {
  B r = descargas(2, 2);
  for (auto& d : dlg->resp.descargas) d.b[22] = 0x26;
  llega(WAIT_DESCARGAS, r);
  EXPECT_EQ(eventos_nuevos(), V{"36"});
  EXPECT_EQ(dlg->resp.informe_pendiente, 1);
  EXPECT_EQ(std::memcmp(dlg->resp.descargas[3].b, r.data() + 4 + 45 * 3, 45), 0);
  for (int i = 4; i < kEntradasDescarga; ++i) EXPECT_TRUE(dlg->resp.descargas[i].vacia()) << i;

  // A header without STX or of another version; a bad sum; no ETX.
  B suma_mala = descargas(1, 2), sin_etx = descargas(1, 2);
  suma_mala[10] ^= 1;
  sin_etx.back() = 0;
  for (const B& m : {B{0, 1, 1, 1}, B{STX, 2, 1, 1}, suma_mala, sin_etx}) llega(WAIT_DESCARGAS, m);
  EXPECT_EQ(eventos_nuevos(), (V{"18", "123", "19", "18"}));
  EXPECT_EQ(dlg->enlace.estado_oc, WAIT_DESCARGAS);
}

TEST_F(Respuestas, AcknowledgementsGoodAndBad) {
  llega(WAIT_PROG_RELOJ, {STX, 0x81, ETX});
  llega(WAIT_PRINT_TURNO, {STX, 0x80, 0x00});
  dlg->prog.tanque_pcw = 1;
  llega(WAIT_PROG_CALIB, {STX, 0x81, ETX});
  EXPECT_EQ(eventos_nuevos(), (V{"27", "27", "T:Error30: 129"}));
  EXPECT_EQ(dlg->prog.tanque_pcw, 1);

  llega(WAIT_PROG_CALIB, {STX, 0x80, ETX});
  EXPECT_EQ(eventos_nuevos(), V{"172"});
  EXPECT_EQ(dlg->prog.tanque_pcw, -1);
  std::string sincro = archivo("qtrs.nvr");
  ASSERT_EQ(sincro.size(), 42u);
  EXPECT_EQ(sincro[21 + 9], 1);
  EXPECT_EQ(sincro[21 + 14] & 0x08, 0x08);  // the programmed-table snapshot
  EXPECT_EQ(dlg->sincro.foto_programada, 0);

  llega(WAIT_PROG_RELOJ, {STX, 0x80, ETX});
  llega(WAIT_PRINT_TURNO, {STX, 0x80, ETX});
  EXPECT_EQ(eventos_nuevos(), (V{"25", "32"}));
  EXPECT_EQ(dlg->enlace.estado_oc, 0);
}

// A console table reply for the tank in hand: version 3 and two points, or
// whatever `cambia` makes of it.
B tabla(void (*cambia)(tabla_calib&) = nullptr) {
  tabla_calib t{};
  t.version_formato = 3;
  t.diametro_tank = 2000;
  t.capacidad = 40000;
  t.puntos[0] = {0, 0, 0};
  t.puntos[1] = {40000, 2000, 0};
  for (int k = 2; k < kPuntosTabla; ++k) t.puntos[k] = {-1, 0, 0};
  if (cambia) cambia(t);
  convierte_tabla(t);
  B v = {STX, 0x04, 0xDE};
  const auto* p = reinterpret_cast<const uint8_t*>(&t);
  v.insert(v.end(), p, p + kLargoTablaCalib);
  suma_le(v, 3, v.size());
  v.push_back(ETX);
  return v;
}

TEST_F(Respuestas, CalibrationTablesAreComparedOrRefused) {
  dlg->config.pon_genera(0, 1);
  dlg->config.pon_genera(3, 1);
  dlg->prog.tanque_rcw = 0;
  B r = tabla();
  r[0] = 0;
  llega(WAIT_READ_CALIB, r);  // not a table: nothing said
  r = tabla();
  r[40] ^= 1;
  llega(WAIT_READ_CALIB, r);
  llega(WAIT_READ_CALIB, tabla([](tabla_calib& t) { t.version_formato = 2; }));
  V e = eventos_nuevos();
  EXPECT_EQ(e.front(), "120");
  EXPECT_EQ(e.back(), "175");
  EXPECT_EQ(dlg->prog.tanque_rcw, 3);  // on to the next flagged tank
  EXPECT_TRUE(sim->timer_armed(TIMER_RCW));

  // A working table on disk whose measured slopes differ at six points.
  tabla_calib nuestra{};
  std::memcpy(&nuestra, tabla().data() + 3, kLargoTablaCalib);
  convierte_tabla(nuestra);
  nuestra.capacidad = 39000;
  for (int k = 0; k < 6; ++k) nuestra.puntos[k].pendiente = 20.0f;
  sim->KillTimer(TIMER_RCW);
  ASSERT_TRUE(scf(3, nuestra));
  eventos_nuevos();
  llega(WAIT_READ_CALIB, tabla());
  EXPECT_EQ(eventos_nuevos(), (V{"121", "T:ct4 recibida from QTR", "T:tan\\ct4n.tan detectado", "22"}));
  EXPECT_EQ(dlg->calib.contador_captura[3], 6);
  EXPECT_FLOAT_EQ(dlg->calib.capacidad_tanque[3], 39000);
  // The last flagged tank ends the first sweep.
  EXPECT_EQ(dlg->prog.tanque_rcw, 16);
  EXPECT_EQ(dlg->prog.primera_lectura_calib, 0);
  EXPECT_FALSE(sim->timer_armed(TIMER_RCW));
}

}  // namespace
