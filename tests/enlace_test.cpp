// Command frames byte for byte, and the collection of replies.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "console/tramas.h"
#include "estacion_en_linea.h"

namespace {

using B = std::vector<uint8_t>;
using V = std::vector<std::string>;

TEST(Tramas, PrefixComesFromTheAccessCode) {
  const uint8_t codigo[8] = {'1', '2', '3', '4', '5', '6', '7', '8'};
  uint8_t p[8];
  ASSERT_TRUE(prefijo_trama(codigo, p));
  EXPECT_EQ(B(p, p + 8), (B{'1' + 1, '2' - 2, '3' + 3, '4' - 4, '5' + 5, '6' - 6, '7' + 7, '8' - 8}));
  const uint8_t bordes[8] = {0xFF, 0x01, 0, 0, 0, 0, 0, 0};
  ASSERT_TRUE(prefijo_trama(bordes, p));
  EXPECT_EQ(p[0], 0x00);  // modulo 256 both ways
  EXPECT_EQ(p[1], 0xFF);
  const uint8_t cero[8] = {};
  EXPECT_FALSE(prefijo_trama(cero, p));
}

TEST(Tramas, CommandBodies) {
  uint8_t c[1253];
  EXPECT_EQ(B(c, c + cuerpo_RW(c)), (B{0x19, 0x04, 0x33, 0x09, 0x01}));
  EXPECT_EQ(B(c, c + cuerpo_RDW(c)), (B{0x19, 0x04, 0xDE, 0xFF, 0x02, 0xFC}));
  EXPECT_EQ(B(c, c + cuerpo_PCT(c)), (B{0x19, 0x04, 0xAB}));
  EXPECT_EQ(B(c, c + cuerpo_RCW(c, 0)), (B{0x19, 0x04, 0xB9, 0x45, 0x00, 0, 0, 0, 0x1B}));
  EXPECT_EQ(cuerpo_RCW(c, 15), 9u);
  EXPECT_EQ(c[8], 0x2A);
  // The table image and a 16-bit sum, high byte first.
  B imagen(1246, 0);
  ASSERT_EQ(cuerpo_PCW(c, 0, imagen.data()), 1253u);
  EXPECT_EQ(c[1251], 0x01);
  EXPECT_EQ(c[1252], 0x48);
  imagen.assign(1246, 0xFF);
  imagen[0] = 0x12;
  cuerpo_PCW(c, 3, imagen.data());
  EXPECT_EQ(c[4], 3);
  EXPECT_EQ(c[5], 0x12);
  uint32_t s = 0x19 + 0x04 + 0xE6 + 0x45 + 3 + 0x12 + 1245 * 0xFF;
  EXPECT_EQ(c[1251], static_cast<uint8_t>(s >> 8));
  EXPECT_EQ(c[1252], static_cast<uint8_t>(s));
}

class Envios : public EstacionEnLinea {
 protected:
  // Connects and lets the sender run; returns the frame the console got.
  B envia(void (CNivaraDlg::*sender)()) {
    dlg->ctw();
    sim->run_for(10);
    (dlg.get()->*sender)();
    sim->run_for(10);
    return consola.tramas.empty() ? B() : consola.tramas.back().bytes;
  }
  void SetUp() override {
    EstacionEnLinea::SetUp();
    consola.modo = ConsolaPrueba::Modo::kCalla;
    arranca();
    sim->KillTimer(TIMER_CICLO);
  }
};

TEST_F(Envios, EachSenderSetsTheReplyItWaitsForAndNoneSendsWithoutAnAccessCode) {
  sim->set_time(segundos(2025, 12, 31, 23, 59, 7));  // a Wednesday
  const struct {
    void (CNivaraDlg::*sender)();
    size_t largo;
    uint32_t faltan;
  } casos[] = {{&CNivaraDlg::envia_RW, 13, 15}, {&CNivaraDlg::envia_RDW, 14, 4},
               {&CNivaraDlg::envia_PRE, 19, 3}, {&CNivaraDlg::envia_PCT, 11, 3}};
  for (const auto& c : casos) {
    dlg->enlace.puntero_respuesta = 99;
    EXPECT_EQ(envia(c.sender).size(), c.largo);
    EXPECT_EQ(dlg->enlace.faltan_respuesta, c.faltan);
    EXPECT_EQ(dlg->enlace.puntero_respuesta, 0u);
  }
  // The clock frame carries the station's time.
  ASSERT_EQ(consola.tramas.size(), 4u);
  const B& pre = consola.tramas[2].bytes;
  EXPECT_EQ(B(pre.begin() + 8, pre.end()), (B{0x19, 0x04, 0xC2, 0x07, 0x59, 0x23, 0x31, 0x12, 0x04, 0x25, 0xCE}));
  EXPECT_EQ(eventos_nuevos(), V{"42"});

  dlg->ctw();
  sim->run_for(10);
  reinterpret_cast<uint8_t*>(&dlg->calib.imagen_pcw)[0] = 0x55;
  dlg->envia_PCW(0x102);  // only the low byte goes out
  dlg->envia_RCW(7);
  sim->run_for(10);
  ASSERT_EQ(consola.tramas.size(), 6u);
  const B& pcw = consola.tramas[4].bytes;
  EXPECT_EQ(pcw.size(), 1261u);
  EXPECT_EQ(pcw[12], 0x02);
  EXPECT_EQ(pcw[13], 0x55);
  EXPECT_EQ(consola.tramas[5].bytes[12], 7);
  EXPECT_EQ(dlg->enlace.faltan_respuesta, 1252u);

  // Without an access code nothing goes out and nothing changes.
  std::memset(dlg->config.bytes + tnq::kCodigoAcceso, 0, 8);
  dlg->enlace.largo_tx = 5;
  dlg->enlace.puntero_respuesta = 6;
  for (const auto& c : casos) envia(c.sender);
  dlg->envia_RCW(0);
  dlg->envia_PCW(0);
  sim->run_for(10);
  EXPECT_EQ(consola.tramas.size(), 6u);
  EXPECT_EQ(dlg->enlace.largo_tx, 5u);
  EXPECT_EQ(dlg->enlace.puntero_respuesta, 6u);
  EXPECT_EQ(dlg->enlace.faltan_respuesta, 1252u);
  EXPECT_EQ(eventos_nuevos(), V(6, "41"));
}

class Recepcion : public Estacion {};

TEST_F(Recepcion, AReplyInAnyPiecesIsCollectedTheSameNeverPastTheArea) {
  B datos(10000);
  for (size_t i = 0; i < datos.size(); ++i) datos[i] = static_cast<uint8_t>(i * 7);
  // Expected or not, bytes beyond the 8192 of the area are dropped.
  struct {
    std::vector<size_t> trozos;
    uint32_t faltan;
  } casos[] = {{{8192, 1808}, 0}, {{8192, 1808}, 10000}, {{1}, 10000}, {{13, 200, 7}, 10000}};
  for (const auto& c : casos) {
    CNivaraDlg d;
    d.enlace.faltan_respuesta = c.faltan;
    d.enlace.fase_respuesta = 0x11223344;
    entrega(d, datos, c.trozos);
    EXPECT_EQ(d.enlace.faltan_respuesta, 0u);
    EXPECT_EQ(d.enlace.puntero_respuesta, 10000u);
    EXPECT_EQ(d.enlace.fase_respuesta, 0x11223344);  // the member after the area
    EXPECT_EQ(B(d.enlace.respuesta, d.enlace.respuesta + 8192), B(datos.begin(), datos.begin() + 8192));
  }
}

TEST_F(Recepcion, ATwoPhaseReplyIsExaminedWhenWholeAndRefusedWhenTooLong) {
  // Two tanks, no question: 15 bytes, then 117.
  B r = ConsolaPrueba::inventario_vacio();
  r[14] = 2;
  r.insert(r.begin() + 15, 114, 0);
  uint32_t s = suma(r.data() + 13, 2 + 114);
  r[15 + 114] = static_cast<uint8_t>(s);
  r[16 + 114] = static_cast<uint8_t>(s >> 8);
  CNivaraDlg d;
  d.enlace.estado_oc = WAIT_READ;
  d.enlace.fase_respuesta = FASE_RW_CABECERA;
  d.enlace.faltan_respuesta = 15;
  entrega(d, B(r.begin(), r.begin() + 15), {15});
  EXPECT_EQ(d.enlace.fase_respuesta, FASE_RW_RESTO);
  EXPECT_EQ(d.enlace.faltan_respuesta, 117u);
  entrega(d, B(r.begin() + 15, r.end() - 1), {1});
  EXPECT_EQ(d.enlace.estado_oc, WAIT_READ);
  entrega(d, B(r.end() - 1, r.end()), {1});
  EXPECT_EQ(d.enlace.estado_oc, 0);

  d.enlace.estado_oc = WAIT_DESCARGAS;
  d.enlace.fase_respuesta = FASE_RDW_CABECERA;
  d.enlace.puntero_respuesta = 0;
  d.enlace.faltan_respuesta = 4;
  entrega(d, B{STX, 1, 16, 12}, {4});  // 45 x 16 x 12 + 7 bytes
  EXPECT_EQ(d.enlace.faltan_respuesta, 0u);
  EXPECT_EQ(eventos_log(archivo("Nivara.log")), (V{"12", "T:Error: oc: respuesta de 8647 bytes"}));
}

}  // namespace
