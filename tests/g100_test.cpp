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
  t.version_formato = 3, t.campo_42 = 0x1234, t.diametro_tank = diametro;
  t.version_tabla = 7, t.dia = 0x05, t.reservado[3] = 9;  // none of it goes to the working table
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

TEST(G100Genera, AHundredEvenStepsUpToTheSnappedHeightRisingEvenBelowTheFirstPoint) {
  tabla_calib c = consola({{0.0f, 0.0f}, {2000.0f, 40000.0f}}, 2000.5f);
  std::memcpy(c.etiqueta, "NORTE\0basura", 12);
  tabla_calib w = sucia();
  ASSERT_EQ(genera_tabla(c, &w), 0u);
  EXPECT_EQ(+c.diametro_tank, 2000.0f);
  EXPECT_EQ(+c.campo_42, 0);
  EXPECT_NEAR(w.puntos[1].litros, 404.04f, 0.01f);
  // The step is summed in single precision, not multiplied.
  float h = 0.0f;
  for (int i = 0; i < 99; ++i) h += 2000.0f / 99.0f;
  EXPECT_EQ(+w.puntos[99].mm, h);
  EXPECT_NEAR(w.puntos[99].litros, 40000.0f, 0.2f);
  for (int i = 1; i < kPuntosTabla; ++i) EXPECT_EQ(+w.puntos[i].pendiente, 0.0f) << i;
  EXPECT_EQ(+w.version_formato, 3);
  EXPECT_EQ(std::string(w.etiqueta, 16), std::string("NORTE\0\0\0\0\0\0\0\0\0\0\0", 16));
  const uint8_t* b = reinterpret_cast<const uint8_t*>(&w);
  for (int i = 18; i < 34; ++i) EXPECT_EQ(b[i], 0) << i;
  EXPECT_EQ(+w.diametro_tank, +w.puntos[99].mm);
  EXPECT_EQ(+w.capacidad, +w.puntos[99].litros);
  EXPECT_EQ(w.suma[0] << 8 | w.suma[1], suma_tabla(w));

  c = consola({{100.0f, 0.0f}, {2000.0f, 40000.0f}}, 2000.0f);
  ASSERT_EQ(genera_tabla(c, &w), 0u);
  EXPECT_EQ(+w.puntos[0].litros, 0.0f);
  EXPECT_EQ(+w.puntos[1].litros, 0.01f);
  EXPECT_EQ(+w.puntos[4].litros, 0.01f + 0.01f + 0.01f + 0.01f);  // 80.8 mm
  EXPECT_NEAR(w.puntos[5].litros, 40000.0 * (10000.0 / 99.0 - 100.0) / 1900.0, 0.01);
}

TEST(G100Genera, TakesRisingTablesWithinAMillimetreOfTheirHeightAndLeavesTheRestAlone) {
  const float nan = std::nanf("");
  const std::pair<tabla_calib, unsigned> malas[] = {
      {consola({{0, 0}, {2000, 40000}}, 2001.0f), 131},  // one mm over
      {consola({{0, 0}, {2000, 40000}}, 1999.0f), 131},  // one mm under
      {consola({{0, 0}, {500, 100}, {500, 200}}, 500.0f), 136},
      {consola({{0, 0}, {500, 100}, {600, 100}}, 600.0f), 136},
      {consola({{0, 0}, {500, 100}, {400, 200}}, 400.0f), 136},
      {consola({{0, 0}, {nan, 100}}, 500.0f), 136},
      {consola({{0, 0}}, 0.0f), 141},
  };
  const tabla_calib basura = sucia();
  for (size_t i = 0; i < std::size(malas); ++i) {
    tabla_calib c = malas[i].first;
    tabla_calib w = basura;
    EXPECT_EQ(genera_tabla(c, &w), malas[i].second) << i;
    EXPECT_EQ(std::memcmp(&w, &basura, sizeof w), 0) << i;
    EXPECT_EQ(+c.diametro_tank, +malas[i].first.diametro_tank) << i;
  }

  tabla_calib c = consola({{0, 0}, {2000, 40000}}, 2000.99f);
  tabla_calib w;
  EXPECT_EQ(genera_tabla(c, &w), 0u);
  EXPECT_EQ(+c.diametro_tank, 2000.0f);

  // Without an end marker all 100 points count: stopping at 99 would
  // misjudge the height.
  std::vector<std::pair<float, float>> p;
  for (int k = 0; k < kPuntosTabla; ++k) p.push_back({10.0f * static_cast<float>(k), static_cast<float>(k * k)});
  c = consola(p, 990.0f);
  ASSERT_EQ(genera_tabla(c, &w), 0u);
  EXPECT_NEAR(w.capacidad, 99.0f * 99.0f, 0.5f);
  EXPECT_EQ(interpola(w, 1e6f), +w.puntos[99].litros);  // flat above the last of 100 points
}

TEST(G100Interpola, StraightLinesBetweenPointsAndFlatOutside) {
  const tabla_calib t = consola({{100, 1000}, {200, 3000}, {300, 4000}}, 300.0f);
  const std::pair<float, float> casos[] = {{0, 1000},   {100, 1000}, {150, 2000}, {200, 3000},
                                           {250, 3500}, {300, 4000}, {5000, 4000}};
  for (const auto& [mm, litros] : casos) EXPECT_EQ(interpola(t, mm), litros) << mm;
}

class G100Estacion : public Estacion {};

TEST_F(G100Estacion, SavesTheTableItMadeOrLogsWhyTheConsoleTableWasRefused) {
  sim->make_dir("tan");
  CNivaraDlg dlg;
  tabla_calib c = consola({{0, 0}, {2000, 40000}}, 2000.5f);
  convierte_tabla(c);
  std::memcpy(dlg.enlace.respuesta + 3, &c, sizeof c);
  dlg.usa_tabla_qtr();  // tank 1, no file of its own yet
  EXPECT_NEAR(dlg.calib.capacidad_tanque[0], 40000.0f, 0.2f);
  EXPECT_TRUE(existe(ruta("tan/ct1n.tan")));

  for (const tabla_calib& m : {consola({{0, 0}, {2000, 40000}}, 2001.0f), consola({{0, 0}, {0, 40000}}, 0.0f),
                               consola({{0, 0}}, 0.0f)}) {
    dlg.calib.tabla_qtr = m;
    EXPECT_FALSE(dlg.g100());
  }
  EXPECT_EQ(eventos(), (std::vector<std::string>{"T:ct1 recibida from QTR",
                                                 "T:Error: lct: cannot find the file tan\\ct1n.tan",
                                                 "T:ct1n.tan creado", "131", "136", "141"}));
}

}  // namespace
