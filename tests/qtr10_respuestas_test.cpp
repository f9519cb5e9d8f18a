// The console simulator's replies: anchors checked by hand, and the tank
// tables. The station tests read the rest of its replies back.
#include <gtest/gtest.h>

#include <numeric>

#include "qtr10/calibracion.h"
#include "qtr10/respuestas.h"
#include "qtr10/trama.h"

namespace {

using Bytes = std::vector<uint8_t>;

// 10/06/25 12:00:00, a Tuesday.
const fecha_bcd kReloj{0x00, 0x00, 0x12, 0x10, 0x06, 0x03, 0x25};

float f32(const Bytes& r, size_t i) { return qtr10::lee_f32_be(&r[i]); }

// The sums of the default layout, and its bad sums, are checked by the
// station reading these replies.
TEST(Qtr10Respuestas, InventoryHeaderAsCheckedByHandAndLayout1) {
  // 'G' + the clock + no question: 0x47+0x12+0x10+0x06+0x03+0x25+0xFF = 0x196.
  EXPECT_EQ(qtr10::respuesta_inventario('G', kReloj, 2, {}, nullptr, false),
            (Bytes{0x47, 0x00, 0x00, 0x12, 0x10, 0x06, 0x03, 0x25, 0xFF, 0x96, 0x01, 0x03, 0x02,
                   0x02, 0x00, 0x02, 0x00, 0x03}));

  // Layout 1 runs from the count byte, 41 bytes a tank, padded to 57.
  qtr10::ValoresTanque v;
  v.nivel = 1234.5f;
  v.perdidas = 0.5f;
  Bytes r = qtr10::respuesta_inventario('G', kReloj, 1, {v, v}, nullptr, false);
  ASSERT_EQ(r.size(), 132u);
  EXPECT_EQ(r[14], 2);
  EXPECT_EQ(f32(r, 14 + 11), 1234.5f);
  EXPECT_EQ(f32(r, 14 + 41 + 11), 1234.5f);
  EXPECT_EQ(f32(r, 14 + 41 + 37), 0.5f);
}

// Curves given as points are in the configuration test.
TEST(Qtr10Respuestas, TableFollowsTheCurve) {
  // Half of a cylinder 2 m across and 8 m long: pi · 1² · 8 / 2 m³.
  qtr10::Curva c = qtr10::Curva::cilindro(2000, 8000);
  EXPECT_NEAR(c.litros(1000), 3.14159265 * 8000 / 2, 0.01);
  EXPECT_NEAR(c.nivel(c.litros(432.1)), 432.1, 1e-6);
  qtr10::TablaConsola t = qtr10::tabla_de_curva(c, 1.0, "T", kReloj);
  EXPECT_EQ(qtr10::punto_tabla(t, 0).litros, 0.0f);
  EXPECT_EQ(qtr10::punto_tabla(t, 99).mm, 2000.0f);
  EXPECT_NEAR(qtr10::capacidad_tabla(t), c.capacidad(), 0.01);
  EXPECT_NEAR(qtr10::litros_por_tabla(t, 1000), c.litros(1000), 20);
  EXPECT_EQ(qtr10::litros_por_tabla(t, -5), 0.0);
  EXPECT_NEAR(qtr10::litros_por_tabla(t, 2500), c.capacidad(), 0.01);
  // The table's own sum, high byte first, over its first 1244 bytes.
  EXPECT_EQ(t[1244] * 256u + t[1245], std::accumulate(t.begin(), t.begin() + 1244, 0u) & 0xFFFF);

  // A table cut short by its end marker reads flat beyond its last point.
  qtr10::pon_f32_be(&t[44 + 12 * 50], -1.0f);
  EXPECT_EQ(qtr10::litros_por_tabla(t, 1900), qtr10::punto_tabla(t, 49).litros);
}

}  // namespace
