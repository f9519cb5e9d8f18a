// Each console reply checked and put to use by the reply handler.
#include <gtest/gtest.h>

#include <cstring>

#include "console/tramas.h"
#include "estacion_en_linea.h"

namespace {

using V = std::vector<std::string>;

// `n` layout-2 records of a tank with inventory and 100 litres, or all of
// `relleno` bytes.
bytes registros(int n, int relleno = -1) {
  bytes r(57, static_cast<uint8_t>(relleno < 0 ? 0 : relleno));
  if (relleno < 0) r[0] = 1, r[32] = 0x42, r[33] = 0xC8;
  bytes v;
  for (int t = 0; t < n; ++t) v.insert(v.end(), r.begin(), r.end());
  return v;
}

// A table of two points, host order.
tabla_calib dos_puntos(uint16_t version = 3) {
  tabla_calib t{};
  t.version_formato = version;
  t.diametro_tank = 2000;
  t.capacidad = 40000;
  t.puntos[1] = {40000, 2000, 0};
  for (int k = 2; k < kPuntosTabla; ++k) t.puntos[k] = {-1, 0, 0};
  return t;
}

class Respuestas : public EstacionEnLinea {
 protected:
  void SetUp() override {
    EstacionEnLinea::SetUp();
    config.bytes[tnq::kSincronizaReloj] = 1;
    arranca();
    eventos_nuevos();
  }
  // The reply arrives while `estado` awaits it, as its sender set it up, in
  // pieces of the given sizes.
  void llega(int32_t estado, const bytes& r, std::vector<size_t> trozos = {8192}) {
    dlg->enlace.estado_oc = estado;
    dlg->enlace.puntero_respuesta = 0;
    dlg->enlace.faltan_respuesta = estado == WAIT_READ         ? 15
                                   : estado == WAIT_DESCARGAS  ? 4
                                   : estado == WAIT_READ_CALIB ? 1252
                                                               : 3;
    dlg->enlace.fase_respuesta = estado == WAIT_READ ? FASE_RW_CABECERA : FASE_RDW_CABECERA;
    entrega(*dlg, r, trozos);
  }
  // The station's clock `s` seconds ago.
  fecha_bcd hace(int s) {
    fecha_bcd f;
    sim->set_time(sim->now() - s);
    fecha_actual(&f);
    sim->set_time(sim->now() + s);
    return f;
  }
};

TEST_F(Respuestas, AnInventoryCountsOnlyWhenItsChecksPassAndCanSetTheConsoleClock) {
  const bytes buena = respuesta_inventario(hace(0), registros(1), true);
  auto con = [&](size_t i) {
    bytes r = buena;
    r[i] ^= 0x40;
    return r;
  };
  // Five tanks of 0xFF bytes add up beyond 65535: the stored 16 bits of
  // their sum never match it when it is checked.
  const bytes desbordada = respuesta_inventario(hace(0), registros(5, 0xFF), true);
  // The header's sum (each byte), ETX and STX; the records' ETX and sum.
  for (size_t i : {9, 10, 11, 12, 17 + 57, 15 + 57, 16 + 57}) llega(WAIT_READ, con(i));
  llega(WAIT_READ, desbordada);
  const std::string suma = ev(MSJ_CHECKSUM_MAL), marco = ev(MSJ_STX_ETX_MAL);
  EXPECT_EQ(eventos_nuevos(), (V{suma, suma, marco, marco, marco, suma, suma, suma}));
  EXPECT_EQ(dlg->enlace.estado_oc, WAIT_READ);
  EXPECT_EQ(archivo("qtrs.nvr").size(), 21u);

  // The records' sum is checked only when a question ended by ETX follows.
  bytes sin_fin = desbordada;
  sin_fin.back() = 0;
  for (const bytes& r : {respuesta_inventario(hace(0), registros(5, 0xFF)), sin_fin}) {
    llega(WAIT_READ, r);
    EXPECT_EQ(eventos_nuevos().front(), ev(MSJ_STOCK));
  }
  EXPECT_EQ(archivo("qtrs.nvr").size(), 21u);  // nothing measured moved

  // The question's sum: the reply still counts. Byte by byte, it is examined
  // only when whole.
  llega(WAIT_READ, con(61 + 57), {1});
  EXPECT_EQ(eventos_nuevos(), (V{ev(MSJ_STOCK), "T:AFS T1", ev(MSJ_ERROR_7)}));
  EXPECT_EQ(dlg->enlace.estado_oc, 0);
  EXPECT_EQ(archivo("qtrs.nvr").size(), 42u);  // the snapshot went in

  // The console's clock is set when it is more than 30 seconds off.
  llega(WAIT_READ, respuesta_inventario(hace(30)));
  EXPECT_FALSE(sim->timer_armed(TIMER_PRE));
  llega(WAIT_READ, respuesta_inventario(hace(31)));
  unsigned periodo = 0;
  EXPECT_TRUE(sim->timer_armed(TIMER_PRE, &periodo));
  EXPECT_EQ(periodo, kMsYa);
  EXPECT_EQ(eventos_nuevos(), (V{ev(MSJ_STOCK), ev(MSJ_STOCK), ev(MSJ_REPROGRAMA_RELOJ)}));
}

TEST_F(Respuestas, DeliveriesFillTheTableAndWaitForTheNextReport) {
  const bytes r = respuesta_descargas(2, 2);
  for (auto& d : dlg->resp.descargas) d.b[22] = 0x26;
  llega(WAIT_DESCARGAS, r);
  EXPECT_EQ(eventos_nuevos(), V{ev(MSJ_DESCARGAS)});
  EXPECT_EQ(dlg->resp.informe_pendiente, 1);
  EXPECT_EQ(std::memcmp(dlg->resp.descargas[3].b, r.data() + 4 + 45 * 3, 45), 0);
  for (int i = 4; i < kEntradasDescarga; ++i) EXPECT_TRUE(dlg->resp.descargas[i].vacia()) << i;

  // A head without STX or of another version; the sum's high byte; no ETX;
  // a head announcing 45 x 16 x 12 + 7 bytes, more than the area holds: it
  // is not collected, and the time-out will take it as unanswered.
  bytes suma_mala = respuesta_descargas(1, 2), sin_etx = suma_mala;
  suma_mala.end()[-2] ^= 1;
  sin_etx.back() = 0;
  for (const bytes& m :
       {bytes{0, 1, 1, 1}, bytes{STX, 2, 1, 1}, suma_mala, sin_etx, bytes{STX, 1, 16, 12}})
    llega(WAIT_DESCARGAS, m);
  EXPECT_EQ(eventos_nuevos(),
            (V{ev(MSJ_STX_ETX_MAL), ev(MSJ_OC_VERSION_DESCARGA), ev(MSJ_CHECKSUM_MAL),
               ev(MSJ_STX_ETX_MAL), "T:Error: oc: respuesta de 8647 bytes"}));
  EXPECT_EQ(dlg->enlace.estado_oc, WAIT_DESCARGAS);
  EXPECT_EQ(dlg->enlace.faltan_respuesta, 0u);
}

TEST_F(Respuestas, AcknowledgementsGoodAndBad) {
  llega(WAIT_PROG_RELOJ, {STX, 0x81, ETX});
  llega(WAIT_PRINT_TURNO, {STX, 0x80, 0x00});
  dlg->prog.tanque_pcw = 1;
  llega(WAIT_PROG_CALIB, {STX, 0x81, ETX});
  EXPECT_EQ(eventos_nuevos(), (V{ev(MSJ_ERROR_16), ev(MSJ_ERROR_16), "T:Error30: 129"}));
  EXPECT_EQ(dlg->prog.tanque_pcw, 1);

  llega(WAIT_PROG_CALIB, {STX, 0x80, ETX});
  EXPECT_EQ(dlg->prog.tanque_pcw, -1);
  const std::string sincro = archivo("qtrs.nvr");
  ASSERT_EQ(sincro.size(), 42u);
  EXPECT_EQ(sincro[21 + 9], 1);
  EXPECT_EQ(sincro[21 + 14] & 0x08, 0x08);  // the programmed-table snapshot
  EXPECT_EQ(dlg->sincro.foto_programada, 0);

  llega(WAIT_PROG_RELOJ, {STX, 0x80, ETX});
  llega(WAIT_PRINT_TURNO, {STX, 0x80, ETX});
  EXPECT_EQ(eventos_nuevos(), (V{ev(MSJ_PCW_OK), ev(MSJ_PRE_OK), ev(MSJ_PCT_OK)}));
  EXPECT_EQ(dlg->enlace.estado_oc, 0);
}

TEST_F(Respuestas, CalibrationTablesAreComparedMadeOrRefused) {
  for (int t : {0, 2, 3}) dlg->config.pon_genera(t, 1);
  dlg->prog.tanque_rcw = 0;
  bytes r = respuesta_tabla(dos_puntos());
  r[0] = 0;
  llega(WAIT_READ_CALIB, r);  // not a table: nothing said
  r[0] = STX;
  r.end()[-2] ^= 1;  // the sum's high byte
  llega(WAIT_READ_CALIB, r);
  llega(WAIT_READ_CALIB,
        respuesta_tabla(dos_puntos(2)));  // no file, and not one to make a table of
  const V e = eventos_nuevos();
  EXPECT_EQ(e.front(), ev(MSJ_OC_RCW_CHECKSUM));
  EXPECT_EQ(e.back(), ev(MSJ_OC_VERSION));
  EXPECT_EQ(dlg->prog.tanque_rcw, 2);  // on to the next flagged tank
  EXPECT_TRUE(sim->timer_armed(TIMER_RCW));

  // Tank 3 has none either: it is made, and its capacity taken.
  llega(WAIT_READ_CALIB, respuesta_tabla(dos_puntos()));
  EXPECT_TRUE(existe(ruta("tan/ct3n.tan")));
  EXPECT_NEAR(dlg->calib.capacidad_tanque[2], 40000.0f, 0.2f);

  // Tank 4's own table, whose measured slopes differ at six points.
  tabla_calib nuestra = dos_puntos();
  nuestra.capacidad = 39000;
  for (int k = 0; k < 6; ++k) nuestra.puntos[k].pendiente = 20.0f;
  ASSERT_TRUE(scf(3, nuestra));
  sim->KillTimer(TIMER_RCW);
  eventos_nuevos();
  llega(WAIT_READ_CALIB, respuesta_tabla(dos_puntos()));
  EXPECT_EQ(eventos_nuevos(), (V{ev(MSJ_RCW_OK), "T:ct4 recibida from QTR",
                                 "T:tan\\ct4n.tan detectado", ev(MSJ_OC_TABLAS_DIFERENTES)}));
  EXPECT_EQ(dlg->calib.contador_captura[3], 6);
  EXPECT_FLOAT_EQ(dlg->calib.capacidad_tanque[3], 39000);
  // The last flagged tank ends the first sweep.
  EXPECT_EQ(dlg->prog.tanque_rcw, 16);
  EXPECT_EQ(dlg->prog.primera_lectura_calib, 0);
  EXPECT_FALSE(sim->timer_armed(TIMER_RCW));
}

}  // namespace
