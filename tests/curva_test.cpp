// The curve update: one captured point rewrites the working table around
// its level.
#include "calibration/curva.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "app/CNivaraDlg.h"
#include "entorno.h"

namespace {

// A straight table: point i at 20·i mm with 100·i litres.
tabla_calib recta() {
  tabla_calib t{};
  for (int i = 0; i < kPuntosTabla; ++i) {
    t.puntos[i] = {100.0f * static_cast<float>(i), 20.0f * static_cast<float>(i), 0};
  }
  t.capacidad = 9900;
  return t;
}

// The points whose litres, level or slope differ.
std::set<int> cambiados(const tabla_calib& a, const tabla_calib& b) {
  std::set<int> s;
  for (int i = 0; i < kPuntosTabla; ++i) {
    const punto_calib &x = a.puntos[i], &y = b.puntos[i];
    if (x.litros != y.litros || x.mm != y.mm || x.pendiente != y.pendiente) s.insert(i);
  }
  return s;
}

TEST(Curva, AWorkedCaptureSnapsToTheNearerStepAndLiftsTheRest) {
  tabla_calib t = recta();
  punto_captura p{1010, 990, 110};  // 5.5 L/mm; every distance is 10: the last one wins
  ASSERT_TRUE(aplica_captura(t, 20, p));
  EXPECT_EQ(p.bajo, 1000);
  EXPECT_EQ(p.alto, 1020);
  EXPECT_EQ(p.litros, 110);
  EXPECT_FLOAT_EQ(t.puntos[50].litros, 5005);
  EXPECT_FLOAT_EQ(t.puntos[51].litros, 5115);
  EXPECT_FLOAT_EQ(t.puntos[52].litros, 5220);
  EXPECT_EQ(+t.puntos[50].pendiente, 5.5f);
  EXPECT_EQ(+t.puntos[51].pendiente, 5.5f);
  for (int i = 53; i < kPuntosTabla; ++i) {
    EXPECT_FLOAT_EQ(t.puntos[i].litros, 100.0f * static_cast<float>(i) + 20) << i;
  }
  EXPECT_FLOAT_EQ(t.capacidad, 9920);
  EXPECT_EQ(cambiados(recta(), t).size(), 50u);  // points 0 to 49 stay
}

// Which step each stretch lands on, what changes, and what the step below
// anchors it to.
TEST(Curva, EachStepOfTheTableTakesItsOwnRules) {
  struct Caso {
    const char* nombre;
    punto_captura p;
    int k;                // the step taken, from point k to k + 1; -1: refused
    std::set<int> otros;  // changed besides k, k + 1 and, up to step 96, all above k + 2
    float base;           // litres at the step's middle
  };
  // Captured at 6 L/mm (the bottom step 7) on a table of 5 L/mm.
  const Caso casos[] = {
      // e0 = 0 and nothing later is as near.
      {"on a level", {430, 400, 180}, 20, {22}, 2070},
      // The origin anchors with slope 0: base = m · mid ÷ 2.
      {"bottom step", {15, 5, 70}, 0, {2}, 35},
      // Point 1 alone anchors, the half of its level and litres.
      {"second step", {35, 25, 60}, 1, {3}, 160},
      // Points 0 and 1 anchor.
      {"third step", {55, 45, 60}, 2, {4}, 270},
      // Point 99 from the step's own slope, nothing else above.
      {"points 97-98", {1950, 1945, 30}, 97, {99}, 9770},
      {"points 98-99", {1975, 1965, 60}, 98, {}, 9870},
      // Snapped to a step from point 99, which has no point above it.
      {"snapped past the top", {1995, 1975, 120}, -1, {}, 0},
      {"top step", {1995, 1985, 60}, -1, {}, 0},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nombre);
    tabla_calib t = recta();
    punto_captura p = c.p;
    ASSERT_EQ(aplica_captura(t, 20, p), c.k >= 0);
    if (c.k < 0) {
      EXPECT_TRUE(cambiados(recta(), t).empty());
      EXPECT_EQ(+t.capacidad, 9900);
      continue;
    }
    std::set<int> esperados = c.otros;
    esperados.insert({c.k, c.k + 1});
    for (int i = c.k + 3; i < kPuntosTabla && c.k <= 96; ++i) esperados.insert(i);
    EXPECT_EQ(cambiados(recta(), t), esperados);
    const float m = c.p.litros / (c.p.alto - c.p.bajo);
    for (int i = 0; i < kPuntosTabla; ++i) {
      EXPECT_EQ(+t.puntos[i].pendiente, i == c.k || i == c.k + 1 ? m : 0.0f) << i;
    }
    EXPECT_FLOAT_EQ((t.puntos[c.k].litros + t.puntos[c.k + 1].litros) / 2, c.base);
    EXPECT_EQ(+t.capacidad, +t.puntos[kPuntosTabla - 1].litros);
  }
}

class Pcc : public Estacion {};

TEST_F(Pcc, APointInTheTopStepIsRefusedWithItsMessage) {
  CNivaraDlg d;
  d.calib.tabla_trabajo = recta();
  d.calib.paso_mm = 20;
  d.calib.captura = {1995, 1985, 50};
  EXPECT_FALSE(d.pcc(0));
  d.calib.captura = {1010, 990, 110};
  EXPECT_TRUE(d.pcc(0));
  EXPECT_EQ(eventos(), std::vector<std::string>{ev(MSJ_PCC_INDICE)});
  EXPECT_FLOAT_EQ(d.calib.tabla_trabajo.capacidad, 9920);
}

}  // namespace
