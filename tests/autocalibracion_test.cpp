// A station in virtual time whose forecourt sells from one calibrated tank:
// the captured points go into the working table, and after the fifth the
// new table version is programmed into the console.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "calibration/tabla_calib.h"
#include "entorno.h"
#include "estacion_en_linea.h"
#include "sales/controladores.h"
#include "surtidor/surtidor.h"

namespace {

class Autocalibracion : public EstacionEnLinea {};

TEST_F(Autocalibracion, FivePointsMakeANewTableThatTheConsoleTakes) {
  // A horizontal cylinder whose console table says 4 % too little; sales of
  // 15 to 30 L, 20 an hour, the nozzle's meter exact. Twelve hours give
  // twelve points or so, two of them refused.
  config_consola.tanques.resize(
      1, {.curva = qtr10::Curva::cilindro(2000, 10000), .nivel_mm = 1500, .escala_tabla = 0.96});
  config_consola.tanques[0].picos = {{1, 1, 0.0}};
  const std::string ventas = ruta("server/ventas.txt");
  config_consola.playa = {CONTROLADOR_WOLF, ventas, 20, 15, 30, 0, 0, {}, 3};
  config.pon_controlador(CONTROLADOR_WOLF);
  config.pon_par(0, 0, 1, 1);
  config.pon_genera(0, 1);
  config.pon_actu_qtr(0, 1);
  std::filesystem::create_directories(ruta("server"));
  std::string error;
  ASSERT_TRUE(surtidor::agrega_venta(ventas, CONTROLADOR_WOLF,
                                     {fecha_de(4, 3, 26, 20), 1, 1, 1, 10, 1000}, &error))
      << error;
  arranca();
  sim->run_for(12 * 3600 * 1000);

  // Two versions in the day, each programmed and acknowledged, and the
  // console now holds the table the station made, byte for byte.
  const std::vector<std::string> e = eventos();
  EXPECT_EQ(veces(e, "T:Reprog T1"), 2);
  EXPECT_EQ(veces(e, ev(MSJ_PCW_OK)), 2);
  const qtr10::TablaConsola& programada = consola->tanque(0).tabla();
  EXPECT_EQ(std::memcmp(programada.data(), &dlg->calib.imagen_pcw, programada.size()), 0);
  EXPECT_TRUE(existe(ruta("tan/ct1v2.tan")));
  // Each version left a snapshot flagged so, and each acknowledgement one.
  int versiones = 0, programadas = 0;
  const std::string s = archivo("qtrs.nvr");
  for (size_t i = 0; i + kLargoSuceso <= s.size(); i += kLargoSuceso) {
    if (s[i] != SUCESO_FOTO) continue;
    versiones += (s[i + campo_suceso::kFlags] & kFlagAutclb) != 0;
    programadas += (s[i + campo_suceso::kFlags] & kFlagProgramada) != 0;
  }
  EXPECT_EQ(versiones, 2);
  EXPECT_EQ(programadas, 2);
}

// Thirty days of the same station, its gauge reading each level within a
// millimetre or so, 16,000 L delivered every 36 hours:
// day by day, the largest and the mean error of the working table against
// the true tank, over the levels the sales have gone through.
TEST_F(Autocalibracion, TheTableGetsCloserToTheTankDayByDay) {
  const qtr10::Curva verdad = qtr10::Curva::cilindro(2000, 10000);
  config_consola.tanques.resize(
      1, {.curva = verdad, .nivel_mm = 1800, .escala_tabla = 0.96, .ruido_mm = 0.5});
  config_consola.tanques[0].picos = {{1, 1, 0.0}};
  for (int i = 0; i < 20; ++i) {
    config_consola.descargas.push_back({0, 36 * 3600 * (i + 1), 16000, 30});
  }
  const std::string ventas = ruta("server/ventas.txt");
  config_consola.playa = {CONTROLADOR_WOLF, ventas, 20, 15, 30, 0, 0, {}, 5};
  config.pon_controlador(CONTROLADOR_WOLF);
  config.pon_par(0, 0, 1, 1);
  config.pon_genera(0, 1);
  config.pon_actu_qtr(0, 1);
  std::filesystem::create_directories(ruta("server"));
  std::string error;
  ASSERT_TRUE(surtidor::agrega_venta(ventas, CONTROLADOR_WOLF,
                                     {fecha_de(4, 3, 26, 20), 1, 1, 1, 10, 1000}, &error))
      << error;
  arranca();

  struct Dia {
    double mayor, media;  // litres off the true ones
  };
  std::vector<Dia> dias;
  double bajo = 1e9, alto = 0;  // the band the tank's level went through
  for (int dia = 0; dia < 30; ++dia) {
    for (int minuto = 0; minuto < 24 * 60; ++minuto) {
      sim->run_for(60 * 1000);
      bajo = std::min(bajo, consola->tanque(0).nivel());
      alto = std::max(alto, consola->tanque(0).nivel());
    }
    tabla_calib t{};
    ASSERT_TRUE(lct("tan\\ct1n.tan", &t));
    Dia d{0, 0};
    int n = 0;
    for (const punto_calib& p : t.puntos) {
      if (p.mm < bajo || p.mm > alto) continue;
      const double e = std::fabs(p.litros - verdad.litros(p.mm));
      d.mayor = std::max(d.mayor, e);
      d.media += e;
      ++n;
    }
    d.media /= std::max(n, 1);
    dias.push_back(d);
    std::fprintf(stderr, "day %2d  band %4.0f-%4.0f mm  largest %6.1f L  mean %6.1f L\n", dia + 1,
                 bajo, alto, d.mayor, d.media);
  }
  EXPECT_LT(dias.back().media, dias.front().media / 2);
  EXPECT_LT(dias.back().mayor, dias.front().mayor);
}

}  // namespace
