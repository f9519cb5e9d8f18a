// The console simulator's replies, byte for byte.
#include <gtest/gtest.h>

#include <cstring>

#include "qtr10/calibracion.h"
#include "qtr10/respuestas.h"
#include "qtr10/trama.h"

namespace {

using qtr10::ValoresTanque;

// 10/06/25 12:00:00, a Tuesday.
const fecha_bcd kReloj{0x00, 0x00, 0x12, 0x10, 0x06, 0x03, 0x25};

float f32(const std::vector<uint8_t>& r, size_t i) { return qtr10::lee_f32_be(&r[i]); }
unsigned u16_le(const std::vector<uint8_t>& r, size_t i) { return r[i] | (r[i + 1] << 8); }
unsigned suma(const std::vector<uint8_t>& r, size_t desde, size_t hasta) {
  unsigned s = 0;
  for (size_t i = desde; i < hasta; ++i) s += r[i];
  return s & 0xFFFF;
}

ValoresTanque tanque_ejemplo() {
  ValoresTanque v;
  v.fecha = kReloj;
  std::memcpy(v.producto, "GASOIL", 6);
  v.status = 0xA0;
  v.merma_mes = -25;
  v.nivel = 1234.5f;
  v.medible = 0x11;
  v.litros = 5000.25f;
  v.litros_vacio = 7000.5f;
  v.litros_base = 4990.0f;
  v.serie = 7;
  v.nivel_agua = 12.0f;
  v.temperatura = 1850;
  v.perdidas = 0.5f;
  return v;
}

TEST(Qtr10Respuestas, InventoryHeaderAndSumsAsCheckedByHand) {
  std::vector<uint8_t> r = qtr10::respuesta_inventario('G', kReloj, 2, {}, nullptr, false);
  // 'G' + the clock + no question: 0x47+0x12+0x10+0x06+0x03+0x25+0xFF = 0x196.
  const std::vector<uint8_t> esperado = {0x47, 0x00, 0x00, 0x12, 0x10, 0x06, 0x03, 0x25, 0xFF,
                                         0x96, 0x01, 0x03, 0x02, 0x02, 0x00, 0x02, 0x00, 0x03};
  EXPECT_EQ(r, esperado);

  std::vector<ValoresTanque> dos{tanque_ejemplo(), tanque_ejemplo()};
  r = qtr10::respuesta_inventario('G', kReloj, 2, dos, nullptr, false);
  ASSERT_EQ(r.size(), 132u);
  EXPECT_EQ(r[14], 2);
  EXPECT_EQ(u16_le(r, 129), suma(r, 13, 129));
  EXPECT_EQ(r[131], qtr10::kETX);

  // Bad sums are one off, all of them.
  std::vector<uint8_t> mala = qtr10::respuesta_inventario('G', kReloj, 2, dos, nullptr, true);
  EXPECT_EQ(u16_le(mala, 9), 0x197u);
  EXPECT_EQ(u16_le(mala, 129), (suma(r, 13, 129) + 1) & 0xFFFF);
}

TEST(Qtr10Respuestas, InventoryWithSaleQuestion) {
  qtr10::PreguntaVenta p;
  p.tanque = 1;
  p.periodos.push_back({{0, 0, 0, 0x01, 0x06, 0, 0x25}, {0, 0, 0, 0x02, 0x06, 0, 0x25}});
  std::vector<ValoresTanque> dos{tanque_ejemplo(), tanque_ejemplo()};
  std::vector<uint8_t> r = qtr10::respuesta_inventario('g', kReloj, 2, dos, &p, false);
  ASSERT_EQ(r.size(), 177u);
  EXPECT_EQ(r[0], 'g');
  EXPECT_EQ(r[8], 1);
  const size_t q = 18 + 57 * 2;
  EXPECT_EQ(r[q + 3], 0x01);   // first period: start day
  EXPECT_EQ(r[q + 10], 0x02);  // end day
  EXPECT_EQ(r[q + 14 + 3], 0xFF);  // the second period ends the list
  EXPECT_EQ(u16_le(r, q + 42), suma(r, q, q + 42));
  EXPECT_EQ(r[q + 44], qtr10::kETX);
}

TEST(Qtr10Respuestas, TankRecordLayouts) {
  const ValoresTanque v = tanque_ejemplo();
  std::vector<uint8_t> r2 = qtr10::respuesta_inventario('G', kReloj, 2, {v}, nullptr, false);
  const size_t t = 15;
  EXPECT_EQ(r2[t], 1);
  EXPECT_EQ(0, std::memcmp(&r2[t + 1], &kReloj, 7));
  EXPECT_EQ(0, std::memcmp(&r2[t + 8], "GASOIL\0\0\0\0\0\0\0\0\0\0", 16));
  EXPECT_EQ(r2[t + 24], 1);  // the three status flags of 0xA0
  EXPECT_EQ(r2[t + 25], 0);
  EXPECT_EQ(r2[t + 26], 1);
  EXPECT_EQ(f32(r2, t + 27), 1234.5f);
  EXPECT_EQ(r2[t + 31], 0x10);  // level flags only
  EXPECT_EQ(f32(r2, t + 32), 5000.25f);
  EXPECT_EQ(f32(r2, t + 36), 7000.5f);
  EXPECT_EQ(f32(r2, t + 40), 4990.0f);
  EXPECT_EQ(r2[t + 44] * 256 + r2[t + 45], 7);
  EXPECT_EQ(f32(r2, t + 46), 12.0f);
  EXPECT_EQ(r2[t + 50], 0x01);  // water flags only
  EXPECT_EQ(r2[t + 51] * 256 + r2[t + 52], 1850);
  EXPECT_EQ(f32(r2, t + 53), 0.5f);

  std::vector<uint8_t> r4 = qtr10::respuesta_inventario('G', kReloj, 7, {v}, nullptr, false);
  EXPECT_EQ(r4[t + 24], 0xA0);
  EXPECT_EQ(static_cast<int16_t>(r4[t + 25] << 8 | r4[t + 26]), -25);
  EXPECT_EQ(f32(r4, t + 27), 1234.5f);
  EXPECT_EQ(r4[t + 31], 0x11);
  EXPECT_EQ(f32(r4, t + 40), 0.0f);  // free bytes where layout 2 has litros_base
  EXPECT_EQ(f32(r4, t + 46), 12.0f);
  EXPECT_EQ(r4[t + 51] * 256 + r4[t + 52], 1850);

  // Layout 1 runs from the count byte, 41 bytes a tank, padded to 57.
  std::vector<uint8_t> r1 = qtr10::respuesta_inventario('G', kReloj, 1, {v, v}, nullptr, false);
  ASSERT_EQ(r1.size(), 132u);
  EXPECT_EQ(r1[14], 2);
  EXPECT_EQ(0, std::memcmp(&r1[15], &kReloj, 7));
  EXPECT_EQ(f32(r1, 14 + 11), 1234.5f);
  EXPECT_EQ(r1[14 + 41], 1);  // second tank's inventory byte
  EXPECT_EQ(f32(r1, 14 + 41 + 11), 1234.5f);
  EXPECT_EQ(f32(r1, 14 + 41 + 37), 0.5f);
}

TEST(Qtr10Respuestas, DeliveriesTableAndAcknowledgement) {
  qtr10::Descarga d;
  d.tanque = 1;
  std::memcpy(d.producto, "SUPER", 5);
  d.inicio = kReloj;
  d.fin = {0x00, 0x20, 0x12, 0x10, 0x06, 0x03, 0x25};
  d.litros_inicial = 1200.0f;
  d.litros_final = 9150.5f;
  d.nivel_inicial = 300.4f;
  d.nivel_final = 1510.6f;
  std::vector<uint8_t> r = qtr10::respuesta_descargas(2, 2, {{}, {}, d, {}}, false);
  ASSERT_EQ(r.size(), 45u * 4 + 7);
  EXPECT_EQ((std::vector<uint8_t>{r[0], r[1], r[2], r[3]}), (std::vector<uint8_t>{0x02, 0x01, 0x02, 0x02}));
  EXPECT_EQ(r[4 + 22], 0);  // empty entries carry year 0
  const size_t e = 4 + 45 * 2;
  EXPECT_EQ(0, std::memcmp(&r[e], "SUPER", 6));
  EXPECT_EQ(0, std::memcmp(&r[e + 16], &kReloj, 7));
  EXPECT_EQ(r[e + 23], 1);
  EXPECT_EQ(f32(r, e + 24), 1200.0f);
  EXPECT_EQ(f32(r, e + 28), 9150.5f);
  EXPECT_EQ(r[e + 33], 0x20);  // end date's minutes
  EXPECT_EQ(r[e + 39] * 256 + r[e + 40], 300);
  EXPECT_EQ(r[e + 41] * 256 + r[e + 42], 1511);
  EXPECT_EQ(u16_le(r, r.size() - 3), suma(r, 1, r.size() - 3));
  EXPECT_EQ(r.back(), qtr10::kETX);

  qtr10::TablaConsola t = qtr10::tabla_de_curva(qtr10::Curva::cilindro(2000, 8000), 1.0, "TANQUE 1", kReloj);
  std::vector<uint8_t> rt = qtr10::respuesta_tabla(t, false);
  ASSERT_EQ(rt.size(), 1252u);
  EXPECT_EQ((std::vector<uint8_t>{rt[0], rt[1], rt[2], rt[3], rt[4]}),
            (std::vector<uint8_t>{0x02, 0x04, 0xDE, 0x00, 0x03}));
  EXPECT_EQ(u16_le(rt, 1249), suma(rt, 3, 1249));
  EXPECT_EQ(rt[1251], qtr10::kETX);
  // The table's own sum, big-endian, over its first 1244 bytes.
  EXPECT_EQ(t[1244] * 256u + t[1245], suma(rt, 3, 3 + 1244));

  EXPECT_EQ(qtr10::acuse(0x80), (std::vector<uint8_t>{0x02, 0x80, 0x03}));
}

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

  // A table cut short by its end marker reads flat beyond its last point.
  qtr10::pon_f32_be(&t[44 + 12 * 50], -1.0f);
  EXPECT_EQ(qtr10::litros_por_tabla(t, 1900), qtr10::punto_tabla(t, 49).litros);

  qtr10::Curva tabla = qtr10::Curva::tabla({{0, 0}, {1000, 10000}, {2000, 30000}});
  EXPECT_DOUBLE_EQ(tabla.litros(1500), 20000);
  EXPECT_NEAR(tabla.nivel(5000), 500, 1e-6);
  EXPECT_FALSE(qtr10::Curva::valida({{0, 0}, {1000, 0}}));
  EXPECT_FALSE(qtr10::Curva::valida({{10, 0}, {1000, 100}}));
}

}  // namespace
