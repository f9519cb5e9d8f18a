#include "calibration/g100.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "app/CNivaraDlg.h"
#include "entorno.h"

namespace {

// A console table (host order) of the given (mm, litres) points.
tabla_calib consola(std::vector<std::pair<float, float>> puntos, float diametro) {
  tabla_calib t{};
  t.version_formato = 3;
  t.campo_42 = 0x1234;
  t.version_tabla = 7;
  t.dia = 0x05;
  t.reservado[3] = 9;
  t.diametro_tank = diametro;
  for (size_t k = 0; k < puntos.size(); ++k) {
    t.puntos[k] = {puntos[k].second, puntos[k].first, 1.5f};
  }
  if (puntos.size() < kPuntosTabla) t.puntos[puntos.size()].litros = -1.0f;
  return t;
}

// A working table full of junk, to see what is written and what is left.
tabla_calib sucia() {
  tabla_calib t;
  std::memset(&t, 0xAB, sizeof t);
  return t;
}

// The tables are packed: `+` reads a field into a value before a check takes
// it by reference.

bool iguales(const tabla_calib& a, const tabla_calib& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

TEST(G100Genera, TwoPointsGiveAHundredEvenStepsUpToTheSnappedHeight) {
  tabla_calib c = consola({{0.0f, 0.0f}, {2000.0f, 40000.0f}}, 2000.5f);
  std::memcpy(c.etiqueta, "NORTE\0basura", 12);
  tabla_calib w = sucia();
  ASSERT_EQ(genera_tabla(c, &w), 0u);

  EXPECT_EQ(+c.diametro_tank, 2000.0f);
  EXPECT_EQ(+c.campo_42, 0);
  EXPECT_EQ(+w.puntos[1].mm, 2000.0f / 99.0f);
  EXPECT_NEAR(w.puntos[1].mm, 20.2f, 0.01f);
  EXPECT_NEAR(w.puntos[1].litros, 404.04f, 0.01f);
  // The step is summed in single precision, not multiplied.
  float h = 0.0f;
  for (int i = 0; i < 99; ++i) h += 2000.0f / 99.0f;
  EXPECT_EQ(+w.puntos[99].mm, h);
  EXPECT_NEAR(w.puntos[99].mm, 2000.0f, 0.01f);
  EXPECT_NEAR(w.puntos[99].litros, 40000.0f, 0.2f);
  for (int i = 1; i < kPuntosTabla; ++i) {
    EXPECT_GT(+w.puntos[i].litros, +w.puntos[i - 1].litros) << i;
    EXPECT_EQ(+w.puntos[i].pendiente, 0.0f) << i;
  }

  EXPECT_EQ(+w.version_formato, 3);
  EXPECT_EQ(std::string(w.etiqueta, 16), std::string("NORTE\0\0\0\0\0\0\0\0\0\0\0", 16));
  const uint8_t* b = reinterpret_cast<const uint8_t*>(&w);
  for (int i = 18; i < 34; ++i) EXPECT_EQ(b[i], 0) << i;
  EXPECT_EQ(+w.campo_42, 0);
  EXPECT_EQ(+w.diametro_tank, +w.puntos[99].mm);
  EXPECT_EQ(+w.capacidad, +w.puntos[99].litros);
  const uint16_t s = suma_tabla(w);
  EXPECT_EQ(w.suma[0], s >> 8);
  EXPECT_EQ(w.suma[1], s & 0xFF);
}

TEST(G100Genera, LevelsBelowTheFirstPointRiseByACentilitre) {
  tabla_calib c = consola({{100.0f, 0.0f}, {2000.0f, 40000.0f}}, 2000.0f);
  tabla_calib w = sucia();
  ASSERT_EQ(genera_tabla(c, &w), 0u);
  EXPECT_EQ(+w.puntos[0].litros, 0.0f);
  float l = 0.0f;
  for (int i = 1; i <= 4; ++i) {  // 20.2 to 80.8 mm
    l += 0.01f;
    EXPECT_EQ(+w.puntos[i].litros, l) << i;
  }
  EXPECT_NEAR(w.puntos[5].litros, 40000.0 * (10000.0 / 99.0 - 100.0) / 1900.0, 0.01);
}

TEST(G100Genera, UsesEveryPointWhenThereIsNoEndMarker) {
  std::vector<std::pair<float, float>> p;
  for (int k = 0; k < kPuntosTabla; ++k) {
    p.push_back({10.0f * static_cast<float>(k), static_cast<float>(k * k)});
  }
  tabla_calib c = consola(p, 990.0f);
  tabla_calib w = sucia();
  ASSERT_EQ(genera_tabla(c, &w), 0u);  // stopping at 99 points would misjudge the height
  EXPECT_NEAR(w.capacidad, 99.0f * 99.0f, 0.5f);
}

TEST(G100Genera, RefusesBadTablesAndLeavesTheWorkingTableAlone) {
  struct caso {
    const char* nombre;
    tabla_calib c;
    unsigned codigo;
  };
  const float nan = std::nanf("");
  const caso casos[] = {
      {"one mm over", consola({{0, 0}, {2000, 40000}}, 2001.0f), 131},
      {"one mm under", consola({{0, 0}, {2000, 40000}}, 1999.0f), 131},
      {"equal levels", consola({{0, 0}, {500, 100}, {500, 200}}, 500.0f), 136},
      {"equal litres", consola({{0, 0}, {500, 100}, {600, 100}}, 600.0f), 136},
      {"falling level", consola({{0, 0}, {500, 100}, {400, 200}}, 400.0f), 136},
      {"level not a number", consola({{0, 0}, {nan, 100}}, 500.0f), 136},
      {"one point", consola({{0, 0}}, 0.0f), 141},
  };
  for (const caso& k : casos) {
    tabla_calib c = k.c;
    tabla_calib w = sucia();
    EXPECT_EQ(genera_tabla(c, &w), k.codigo) << k.nombre;
    EXPECT_TRUE(iguales(w, sucia())) << k.nombre;
    EXPECT_EQ(+c.diametro_tank, +k.c.diametro_tank) << k.nombre;
  }

  tabla_calib c = consola({{0, 0}, {2000, 40000}}, 2000.99f);
  tabla_calib w = sucia();
  EXPECT_EQ(genera_tabla(c, &w), 0u);
  EXPECT_EQ(+c.diametro_tank, 2000.0f);
}

TEST(G100Interpola, StraightLinesBetweenPointsAndFlatOutside) {
  const tabla_calib t = consola({{100, 1000}, {200, 3000}, {300, 4000}}, 300.0f);
  EXPECT_EQ(interpola(t, 0.0f), 1000.0f);
  EXPECT_EQ(interpola(t, 100.0f), 1000.0f);
  EXPECT_EQ(interpola(t, 150.0f), 2000.0f);
  EXPECT_EQ(interpola(t, 200.0f), 3000.0f);
  EXPECT_EQ(interpola(t, 250.0f), 3500.0f);
  EXPECT_EQ(interpola(t, 300.0f), 4000.0f);
  EXPECT_EQ(interpola(t, 5000.0f), 4000.0f);

  tabla_calib c = consola({{0, 0}, {1000, 5000}}, 1000.0f);
  tabla_calib llena;
  ASSERT_EQ(genera_tabla(c, &llena), 0u);
  EXPECT_EQ(interpola(llena, 1e6f), llena.puntos[99].litros);
}

class G100Estacion : public Estacion {};

TEST_F(G100Estacion, LogsWhyTheConsoleTableWasRefused) {
  CNivaraDlg dlg;
  dlg.calib.tabla_qtr = consola({{0, 0}, {2000, 40000}}, 2000.5f);
  ASSERT_TRUE(dlg.g100());
  EXPECT_EQ(+dlg.calib.tabla_trabajo.puntos[99].mm, +dlg.calib.tabla_trabajo.diametro_tank);
  EXPECT_TRUE(eventos_log(archivo("Nivara.log")).empty());

  const tabla_calib antes = dlg.calib.tabla_trabajo;
  for (const tabla_calib& c : {consola({{0, 0}, {2000, 40000}}, 2001.0f),
                               consola({{0, 0}, {0, 40000}}, 0.0f), consola({{0, 0}}, 0.0f)}) {
    dlg.calib.tabla_qtr = c;
    EXPECT_FALSE(dlg.g100());
  }
  EXPECT_TRUE(iguales(dlg.calib.tabla_trabajo, antes));
  EXPECT_EQ(eventos_log(archivo("Nivara.log")), (std::vector<std::string>{"131", "136", "141"}));
}

}  // namespace
