// A station in virtual time whose forecourt sells from one calibrated tank:
// the captured points go into the working table, and after the fifth the
// new table version is programmed into the console.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "calidad/calidad.h"
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

// Thirty days of a station whose console table is 4 % low and whose gauge
// reads within a millimetre or so: the working table's error against the
// true tank, over the levels the sales went through, day by day.
class Calidad : public Estacion {
 protected:
  Calidad() { en_memoria(); }
};

TEST_F(Calidad, TheTableGetsCloserToTheTankDayByDay) {
  const calidad::Resultado r = calidad::mide({}, *sim);
  ASSERT_EQ(r.dias.size(), 30u);
  std::fprintf(stderr, "%s", calidad::texto(r).c_str());
  EXPECT_LT(r.dias.back().media, r.dias.front().media / 2);
  EXPECT_LT(r.dias.back().mayor, r.dias.front().mayor);
  EXPECT_GE(r.versiones, 10);
}

}  // namespace
