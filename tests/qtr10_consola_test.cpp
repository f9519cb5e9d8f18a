// The console simulator's engine: frames in, replies out, on a clock the
// test moves.
#include <gtest/gtest.h>

#include <cstring>

#include "console/tramas.h"
#include "entorno.h"
#include "qtr10/consola.h"
#include "qtr10/trama.h"

namespace {

using qtr10::Clase;
using qtr10::Defecto;
using qtr10::Salida;
using Bytes = std::vector<uint8_t>;

const Bytes kAcuse = {0x02, 0x80, 0x03}, kRehusa = {0x02, 0x81, 0x03};

// Frames under access code 31 32 33 34 35 36 37 38: a body as given, or as
// the station's own frame code writes it.
Bytes trama(Bytes cuerpo) {
  cuerpo.insert(cuerpo.begin(), {0x32, 0x30, 0x36, 0x30, 0x3A, 0x30, 0x3E, 0x30});
  return cuerpo;
}
template <typename F>
Bytes trama(F escribe) {
  Bytes c(qtr10::kLargoTabla + 16);
  c.resize(escribe(c.data()));
  return trama(c);
}
const Bytes kRW = trama(cuerpo_RW), kRDW = trama(cuerpo_RDW), kPCT = trama(cuerpo_PCT);
Bytes pre(const fecha_bcd& f) {
  return trama([&](uint8_t* c) { return cuerpo_PRE(c, f); });
}
Bytes pcw(uint8_t tanque, const qtr10::TablaConsola& t) {
  return trama([&](uint8_t* c) { return cuerpo_PCW(c, tanque, t.data()); });
}

Bytes junta(const std::vector<Salida>& salidas) {
  Bytes b;
  for (const Salida& s : salidas) b.insert(b.end(), s.bytes.begin(), s.bytes.end());
  return b;
}

// Two tanks of the default shape, 1000 mm full, at 10/06/25 12:00:00.
class Qtr10Consola : public ::testing::Test {
 protected:
  Qtr10Consola() {
    config.codigo_acceso = {0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0x38};
    config.tanques.resize(2);
  }
  qtr10::Consola& consola() {
    if (!c) c = std::make_unique<qtr10::Consola>(config, [this] { return ahora; });
    return *c;
  }
  std::vector<Salida> envia(const Bytes& b) { return consola().recibe(sesion, b.data(), b.size()); }
  Bytes respuesta(const Bytes& b) { return junta(envia(b)); }

  int64_t ahora = segundos(2025, 6, 10, 12, 0, 0) * 1000;
  qtr10::ConfigConsola config;
  std::unique_ptr<qtr10::Consola> c;
  qtr10::Sesion sesion;
};

TEST_F(Qtr10Consola, DamagedFramesAreRecordedWithTheirFaultAndPiecesMakeNoDifference) {
  auto cambia = [](Bytes b, size_t i) {
    b[i] ^= 1;
    return b;
  };
  const struct {
    Bytes trama;
    Defecto defecto;
  } casos[] = {
      {cambia(kRW, 7), Defecto::kPrefijo},
      {cambia(kRDW, kRDW.size() - 1), Defecto::kSuma},                    // an 8-bit sum
      {cambia(pcw(0, qtr10::TablaConsola{}), 8 + 1251), Defecto::kSuma},  // a 16-bit sum
      {trama({0x19, 0x04, 0x33, 0x09, 0x02}), Defecto::kContenido},
      {trama({0x55, 0x01, 0x02}), Defecto::kDesconocida},
      {Bytes(kRDW.begin(), kRDW.begin() + 12), Defecto::kIncompleta},  // when the link ends
  };
  for (const auto& caso : casos) {
    EXPECT_TRUE(envia(caso.trama).empty());
    consola().cierra(sesion);
    EXPECT_EQ(consola().recibidas().back().defecto, caso.defecto);
    EXPECT_EQ(consola().recibidas().back().bytes, caso.trama);
  }
  EXPECT_EQ(consola().recibidas().back().clase, Clase::kRDW);
  EXPECT_EQ(consola().recibidas().size(), 6u);
  // The programming did not take.
  EXPECT_NE(consola().tanque(0).tabla(), qtr10::TablaConsola{});

  // Good frames after them are answered, the same whether they come
  // together or a byte at a time.
  Bytes todo = kRW;
  todo.insert(todo.end(), kRDW.begin(), kRDW.end());
  const Bytes de_una = respuesta(todo);
  ASSERT_EQ(de_una.size(), 132u + 187u);
  qtr10::Sesion otra;
  Bytes a_bytes;
  for (uint8_t b : todo) {
    Bytes r = junta(consola().recibe(otra, &b, 1));
    a_bytes.insert(a_bytes.end(), r.begin(), r.end());
  }
  EXPECT_EQ(a_bytes, de_una);
  EXPECT_EQ(consola().cuenta(Clase::kRDW), 2);  // good ones only
}

TEST_F(Qtr10Consola, ProgrammedTableIsReadBackAndUsed) {
  const float antes = qtr10::lee_f32_be(&respuesta(kRW)[15 + 32]);
  qtr10::TablaConsola t = consola().tanque(1).tabla();
  for (int k = 0; k < 100; ++k) {  // every point 10 % fuller
    uint8_t* p = &t[44 + 12 * k];
    qtr10::pon_f32_be(p, qtr10::lee_f32_be(p) * 1.1f);
  }
  EXPECT_EQ(respuesta(pcw(1, t)), kAcuse);
  Bytes r = respuesta(trama([](uint8_t* b) { return cuerpo_RCW(b, 1); }));
  ASSERT_EQ(r.size(), 1252u);
  EXPECT_EQ(0, std::memcmp(&r[3], t.data(), t.size()));

  Bytes inv = respuesta(kRW);
  EXPECT_FLOAT_EQ(qtr10::lee_f32_be(&inv[15 + 32]), antes);
  EXPECT_NEAR(qtr10::lee_f32_be(&inv[15 + 57 + 32]), antes * 1.1, 1.0);
  EXPECT_EQ(respuesta(pcw(5, t)), kRehusa);
}

TEST_F(Qtr10Consola, ClockFollowsDriftAndPre) {
  config.deriva_s = -45;
  Bytes r = respuesta(kRW);
  EXPECT_EQ(Bytes(r.begin() + 1, r.begin() + 4), (Bytes{0x15, 0x59, 0x11}));  // 11:59:15

  // Set to 10/06/25 12:30:00 while the station reads 12:00:00; a date that
  // cannot be is refused and changes nothing.
  EXPECT_EQ(respuesta(pre({0x00, 0x30, 0x12, 0x10, 0x06, 0x03, 0x25})), kAcuse);
  EXPECT_EQ(respuesta(pre({0x00, 0x61, 0x12, 0x10, 0x06, 0x03, 0x25})), kRehusa);
  ahora += 10000;
  r = respuesta(kRW);
  EXPECT_EQ(Bytes(r.begin() + 1, r.begin() + 8), (Bytes{0x10, 0x30, 0x12, 0x10, 0x06, 0x03, 0x25}));
  EXPECT_EQ(consola().deriva_ms(), 1800000);
}

TEST_F(Qtr10Consola, FaultsShapeTheReply) {
  // Silence and a close instead of the reply are what the scheduler's tests
  // run on.
  qtr10::Fallos& f = consola().fallos();
  f = {.trozos = 3, .pausa_trozos_ms = 100, .retardo_ms = 500};
  std::vector<Salida> s = envia(kRW);
  ASSERT_EQ(s.size(), 3u);
  EXPECT_EQ(s[0].retardo_ms, 500);
  EXPECT_EQ(s[2].retardo_ms, 700);
  EXPECT_EQ(junta(s).size(), 132u);

  // Error acknowledgements refuse the command, and only the chosen
  // commands are hit, only so many times.
  f = {.acuse_error = 0x81, .comandos = bit(Clase::kPCW) | bit(Clase::kPCT), .veces = 2};
  qtr10::TablaConsola vieja = consola().tanque(0).tabla();
  EXPECT_EQ(respuesta(pcw(0, qtr10::TablaConsola{})), kRehusa);
  EXPECT_EQ(consola().tanque(0).tabla(), vieja);
  EXPECT_EQ(respuesta(kRW).size(), 132u);
  EXPECT_EQ(respuesta(kPCT), kRehusa);
  EXPECT_EQ(respuesta(kPCT), kAcuse);
  EXPECT_EQ(consola().turnos_impresos(), 1);
}

// The long answer is the station's own in consulta_estacion_test.
TEST_F(Qtr10Consola, ShortSaleAnswerIsReadAndUnansweredQuestionsCounted) {
  config.pregunta = qtr10::PreguntaVenta{
      1, false, {{{0, 0, 0, 0x09, 0x06, 0, 0x25}, {0, 0, 0, 0x10, 0x06, 0, 0x25}}}};
  Bytes r = respuesta(kRW);
  ASSERT_EQ(r.size(), 63u + 57 * 2);
  EXPECT_EQ(r[0], 'G');
  EXPECT_EQ(r[132 + 14 + 3], 0xFF);  // one period: the second ends the list

  // 10.0 and 20.0 litres, first non-zero code 6; then a question left
  // unanswered, and a damaged answer.
  Bytes corto = {'G', 0x00, 0x06, 0x41, 0x20, 0, 0, 0x41, 0xA0, 0, 0, 0, 0, 0, 0};
  const uint16_t s = suma16(corto.data(), corto.size());
  corto.insert(corto.end(), {static_cast<uint8_t>(s >> 8), static_cast<uint8_t>(s)});
  EXPECT_TRUE(envia(trama(corto)).empty());
  consola().cierra(sesion);
  respuesta(kRW);
  consola().cierra(sesion);
  corto.back()++;
  envia(trama(corto));

  const auto& v = consola().respuestas_venta();
  ASSERT_EQ(v.size(), 1u);
  EXPECT_FALSE(v[0].larga);
  EXPECT_EQ(v[0].estado, 6);
  EXPECT_EQ(v[0].litros[1], 20.0f);
  EXPECT_EQ(consola().preguntas_sin_respuesta(), 1);
  EXPECT_EQ(consola().recibidas().back().defecto, Defecto::kSuma);
}

TEST_F(Qtr10Consola, TanksDrainAndFillWithDeliveriesReported) {
  config.tanques[0].ventas_lpm = 10;
  config.tanques[1].escala_tabla = 1.02;
  config.descargas = {{0, 60, 5000, 10}, {1, -7200, 3000, 20}};  // the second before the start
  config.descargas_por_tanque = 3;
  const double inicial = consola().tanque(0).litros_reales();
  EXPECT_NEAR(consola().tanque(1).litros_consola(), consola().tanque(1).litros_reales() * 1.02, 5);
  // 10 L a minute sold; the delivery pours from the first minute for ten.
  for (auto [minutos, litros] : {std::pair{1, -10.0}, {6, -60.0 + 2500}, {14, -140.0 + 5000}}) {
    ahora = segundos(2025, 6, 10, 12, minutos, 0) * 1000;
    EXPECT_NEAR(consola().tanque(0).litros_reales(), inicial + litros, 1e-6) << minutos;
  }
  EXPECT_GT(consola().tanque(0).nivel(), 1000);

  Bytes r = respuesta(kRDW);
  ASSERT_EQ(r.size(), 45u * 2 * 3 + 7);
  const uint8_t* d = &r[4];
  EXPECT_EQ(Bytes(d + 16, d + 20), (Bytes{0x00, 0x01, 0x12, 0x10}));  // 12:01:00 on the 10th
  EXPECT_EQ(Bytes(d + 32, d + 35), (Bytes{0x00, 0x11, 0x12}));        // to 12:11:00
  EXPECT_NEAR(qtr10::lee_f32_be(d + 28) - qtr10::lee_f32_be(d + 24), 5000 - 100, 30);
  EXPECT_EQ(d[45 + 22], 0);  // one delivery only for tank 1
  const uint8_t* d2 = &r[4 + 45 * 3];
  EXPECT_EQ(d2[23], 1);
  EXPECT_EQ(Bytes(d2 + 16, d2 + 19), (Bytes{0x00, 0x00, 0x10}));  // 10:00:00
  EXPECT_NEAR(qtr10::lee_f32_be(d2 + 28) - qtr10::lee_f32_be(d2 + 24), 3000, 1);
}

}  // namespace
