// Command frames byte for byte, none without an access code, and the
// collection of replies.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "console/respuesta_venta.h"
#include "console/tramas.h"
#include "estacion_en_linea.h"

namespace {

using V = std::vector<std::string>;

class Envios : public EstacionEnLinea {};

TEST_F(Envios, EachFrameByteForByteAndTheReplyItWaitsForButNoneWithoutAnAccessCode) {
  config_consola.fallos.silencio = true;
  // Prefix bytes wrap both ways.
  const uint8_t codigo[8] = {0xFF, 0x01, '3', '4', '5', '6', 0xFA, 0x07};
  std::memcpy(config.bytes + tnq::kCodigoAcceso, codigo, 8);
  sim->set_time(segundos(2025, 12, 31, 23, 59, 7));  // a Wednesday
  arranca();
  sim->KillTimer(TIMER_CICLO);
  dlg->ctw();
  sim->run_for(10);
  // PCW: the tank's low byte, the image as it is, a 16-bit sum high byte first.
  uint8_t* imagen = reinterpret_cast<uint8_t*>(&dlg->calib.imagen_pcw);
  std::memset(imagen, 0xFF, kLargoTablaCalib);
  imagen[0] = 0x12;
  bytes pcw = {0x19, 0x04, 0xE6, 0x45, 0x03, 0x12};
  pcw.resize(5 + 1246, 0xFF);
  pcw.insert(pcw.end(), {0xD9, 0x80});  // 0x19 + ... + 0x12 + 1245 * 0xFF = 0x4D980
  const struct {
    std::function<void()> envia;
    bytes cuerpo;
    uint32_t faltan;
  } casos[] = {
      {[&] { dlg->envia_RW(); }, {0x19, 0x04, 0x33, 0x09, 0x01}, 15},
      {[&] { dlg->envia_RDW(); }, {0x19, 0x04, 0xDE, 0xFF, 0x02, 0xFC}, 4},
      {[&] { dlg->envia_PRE(); },
       {0x19, 0x04, 0xC2, 0x07, 0x59, 0x23, 0x31, 0x12, 0x04, 0x25, 0xCE},
       3},
      {[&] { dlg->envia_RCW(0); }, {0x19, 0x04, 0xB9, 0x45, 0x00, 0, 0, 0, 0x1B}, 1252},
      {[&] { dlg->envia_PCW(0x103); }, pcw, 3},
      {[&] { dlg->envia_PCT(); }, {0x19, 0x04, 0xAB}, 3},
  };
  const bytes prefijo = {0x00, 0xFF, 0x36, 0x30, 0x3A, 0x30, 0x01, 0xFF};
  for (const auto& c : casos) {
    dlg->enlace.puntero_respuesta = 99;
    c.envia();
    sim->run_for(10);
    bytes trama = prefijo;
    trama.insert(trama.end(), c.cuerpo.begin(), c.cuerpo.end());
    ASSERT_FALSE(consola->recibidas().empty());
    EXPECT_EQ(consola->recibidas().back().bytes, trama);
    EXPECT_EQ(dlg->enlace.faltan_respuesta, c.faltan);
    EXPECT_EQ(dlg->enlace.puntero_respuesta, 0u);
  }
  EXPECT_EQ(consola->recibidas().size(), 6u);
  EXPECT_EQ(eventos_nuevos(), V{ev(MSJ_RELOJ)});

  // Without an access code nothing goes out and nothing changes, nor does a
  // sale question get its answer.
  std::memset(dlg->config.bytes + tnq::kCodigoAcceso, 0, 8);
  dlg->enlace.largo_tx = 5;
  dlg->enlace.puntero_respuesta = 6;
  for (const auto& c : casos) c.envia();
  const uint8_t pregunta[kLargoPregunta] = {};
  dlg->contesta_venta(0, pregunta, 'g');
  sim->run_for(10);
  EXPECT_EQ(consola->recibidas().size(), 6u);
  EXPECT_EQ(dlg->enlace.largo_tx, 5u);
  EXPECT_EQ(dlg->enlace.puntero_respuesta, 6u);
  EXPECT_EQ(dlg->enlace.faltan_respuesta, 3u);
  EXPECT_EQ(eventos_nuevos(), V(7, ev(MSJ_EDE)));
}

class Recepcion : public Estacion {};

TEST_F(Recepcion, AReplyInAnyPiecesIsCollectedTheSameNeverPastTheArea) {
  bytes datos(10000);
  for (size_t i = 0; i < datos.size(); ++i) datos[i] = static_cast<uint8_t>(i * 7);
  // Expected or not, bytes beyond the 8192 of the area are dropped.
  const std::pair<std::vector<size_t>, uint32_t> casos[] = {
      {{8192, 1808}, 0}, {{8192, 1808}, 10000}, {{1}, 10000}, {{13, 200, 7}, 10000}};
  for (const auto& [trozos, faltan] : casos) {
    CNivaraDlg d;
    d.enlace.faltan_respuesta = faltan;
    d.enlace.fase_respuesta = 0x11223344;
    entrega(d, datos, trozos);
    EXPECT_EQ(d.enlace.faltan_respuesta, 0u);
    EXPECT_EQ(d.enlace.puntero_respuesta, 10000u);
    EXPECT_EQ(d.enlace.fase_respuesta, 0x11223344);  // the member after the area
    EXPECT_EQ(bytes(d.enlace.respuesta, d.enlace.respuesta + 8192),
              bytes(datos.begin(), datos.begin() + 8192));
  }
}

}  // namespace
