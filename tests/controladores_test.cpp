// The controller layouts: field and date readers, record steps, and the
// sales file writer read back through them.
#include "sales/controladores.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "entorno.h"
#include "sales/registros.h"
#include "surtidor/surtidor.h"

namespace {

fecha_bcd f(unsigned d, unsigned m, unsigned a, unsigned h, unsigned mi, unsigned s) {
  return {bin_a_bcd(s), bin_a_bcd(mi), bin_a_bcd(h), bin_a_bcd(d), bin_a_bcd(m), 0, bin_a_bcd(a)};
}

std::string x(size_t n) { return std::string(n, 'x'); }

class Controladores : public Estacion {
 protected:
  // The log's events since the last call.
  std::vector<std::string> nuevos() {
    const std::vector<std::string> e = eventos();
    std::vector<std::string> r(e.begin() + static_cast<long>(vistos), e.end());
    vistos = e.size();
    return r;
  }
  int abre(const std::string& datos) {
    escribe_archivo(ruta("ventas.txt"), datos);
    return sim->open("ventas.txt", plat::kRead, plat::Share::kRead, plat::Creation::kOpenExisting);
  }
  size_t vistos = 0;
};

TEST_F(Controladores, IntegerFieldsReadOneOrTwoDigitsOfTheirOwnLine) {
  const struct {
    const char* registro;
    int32_t campo, valor;
  } casos[] = {
      {"a;5;x", 1, 5}, {"a;05;x", 1, 5},        {"a;123;x", 1, 12}, {"7;b", 0, 7},
      {"a;9", 1, 9},   {"a;;x", 1, -1},         {"a;x5;", 1, -1},   {"a; 5;", 1, -1},
      {"a;b", 2, -1},  {"a;b\r\n1;2;3", 2, -1}, {"a;b\n;4", 2, -1},
  };
  for (const auto& c : casos) {
    EXPECT_EQ(campo_entero(c.registro, c.campo, ';'), c.valor) << c.registro;
    EXPECT_EQ(nuevos(), c.valor < 0 ? std::vector<std::string>{ev(MSJ_I_CORRUPT)}
                                    : std::vector<std::string>{})
        << c.registro;
  }
}

TEST_F(Controladores, RealFieldsTakeAtMostTwelveDigitsAndDots) {
  const struct {
    const char* registro;
    int32_t campo;
    float valor;
  } casos[] = {
      {"a,12.50,x", 1, 12.5f},
      {"a,-3.0,x", 1, 0.0f},
      {"a,,x", 1, 0.0f},
      {"a,123456789012,x", 1, 123456789012.0f},
      {"a,0000000001.5", 1, 1.5f},
      {"a,1234567890123,x", 1, -1.0f},
      {"a,1.2.3.4.5.6.7", 1, -1.0f},
      {"a,7.25\r\n1,2", 1, 7.25f},
      {"a,b\r\n1,2,3", 2, 0.0f},
  };
  for (const auto& c : casos) {
    EXPECT_EQ(campo_real(c.registro, c.campo, ','), c.valor) << c.registro;
    EXPECT_EQ(nuevos(), c.valor < 0 ? std::vector<std::string>{ev(MSJ_F_CORRUPT)}
                                    : std::vector<std::string>{})
        << c.registro;
  }
}

// Every type's good texts also come back through the writer's round trip.
TEST_F(Controladores, DateTextsOfEveryLayout) {
  const fecha_bcd kEsperada = f(29, 9, 22, 10, 30, 45);
  const struct {
    int32_t tipo;
    const char* texto;
    bool ok;
    fecha_bcd fecha;
  } casos[] = {
      {CONTROLADOR_WOLF, "2022-09-29 10:30:45;1;123.45", true, kEsperada},
      {CONTROLADOR_WOLF, "2022/09/29 10:30:45;1", false, {}},
      {CONTROLADOR_WOLF, "2022-09-29 10:30.45;1", false, {}},
      {CONTROLADOR_PETROSOFT_X_PICO, "29/09/22,10:30:45,05,2", true, kEsperada},
      {CONTROLADOR_PETROSOFT_X_PICO, "29-09-22,10:30:45,05,2", false, {}},
      {CONTROLADOR_PIRCAL, "09/29/2022 10:30:45,1,25.40,3", true, kEsperada},
      {CONTROLADOR_PIRCAL, "09/29/2022,10:30:45,1", false, {}},
      {CONTROLADOR_SVS_WIDE, "29092022 103045 05 02 1", true, kEsperada},
      {CONTROLADOR_SVS_WIDE, "29092022 93045 05 02 1", false, {}},
      {CONTROLADOR_SVS_WIDE_HN, "29092022 93045 05 02 1", true, f(29, 9, 22, 9, 30, 45)},
      {CONTROLADOR_SVS_WIDE_HN, "29092022 10304505 02 1", false, {}},
      {CONTROLADOR_SVS_NARROW, "290922 103045 05 02 1", true, kEsperada},
      {CONTROLADOR_SVS_NARROW, "290922 1030450 5 02 1", false, {}},
      {CONTROLADOR_SVS_NARROW, "29092022 103045 05 02", false, {}},
      {10, "2022-09-29 10:30:45;1", false, {}},
  };
  for (const auto& c : casos) {
    char texto[kLargoTextoFecha] = {};
    std::strncpy(texto, c.texto, kCopiaFecha);
    fecha_bcd leida;
    std::memset(&leida, 0xAA, sizeof leida);
    EXPECT_EQ(fecha_de_registro(&leida, texto, c.tipo), c.ok) << c.texto;
    fecha_bcd esperada = c.fecha;
    if (!c.ok) std::memset(&esperada, 0xAA, sizeof esperada);  // untouched
    esperada.dia_semana = 0xAA;                                // never written
    EXPECT_EQ(std::memcmp(&leida, &esperada, sizeof leida), 0) << c.texto;
  }
}

TEST_F(Controladores, RecordStepsFindEveryRecordBothWays) {
  const struct {
    const char* caso;
    std::string datos;
    std::vector<int64_t> inicios;
  } casos[] = {
      {"CR", "A1\rB22\rC333\r", {0, 3, 7}},
      {"LF", "A1\nB22\nC333\n", {0, 3, 7}},
      {"CR LF", "A1\r\nB22\r\nC333\r\n", {0, 4, 9}},
      {"empty lines, no line end at the end", "A1\r\n\r\nB22\r\n\n\rC333", {0, 6, 13}},
      {"one record", "A1\r\n", {0}},
      {"line end across a chunk boundary", x(4095) + "\r\nB\r\n", {0, 4097}},
      {"record on a chunk boundary", x(4094) + "\r\n" + x(10) + "\r\n", {0, 4096}},
      {"record across a chunk boundary", x(4000) + "\r\n" + x(200) + "\r\nC", {0, 4002, 4204}},
      {"empty lines across a chunk boundary", x(4090) + "\r\n\r\n\r\n\r\nB", {0, 4098}},
      {"three chunks", x(4000) + "\r\n" + x(4000) + "\r\n" + x(4000), {0, 4002, 8004}},
  };
  for (const auto& c : casos) {
    const int a = abre(c.datos);
    trozo_ventas t;
    std::vector<int64_t> adelante;
    for (int64_t p = c.inicios[0]; p >= 0; p = registro_siguiente(a, &t, 0)) {
      adelante.push_back(p);
      ASSERT_LE(adelante.size(), c.inicios.size()) << c.caso;  // a step that goes round
      ASSERT_TRUE(lee_trozo(a, p, &t));
    }
    EXPECT_EQ(adelante, c.inicios) << c.caso;

    ASSERT_TRUE(lee_trozo(a, std::max<int64_t>(0, int64_t(c.datos.size()) - kLargoTrozo), &t));
    std::vector<int64_t> atras;
    for (int64_t p = registro_previo(a, &t, t.validos); p >= 0; p = registro_previo(a, &t, 0)) {
      atras.insert(atras.begin(), p);
      ASSERT_LE(atras.size(), c.inicios.size()) << c.caso;
      ASSERT_TRUE(lee_trozo(a, p, &t));
    }
    EXPECT_EQ(atras, c.inicios) << c.caso;
    sim->close(a);
  }
}

TEST_F(Controladores, RecordStepsFailOnAFailedSeek) {
  // The second record fills its chunk: both neighbours lie in other chunks.
  const int a = abre(x(4094) + "\r\n" + x(4094) + "\r\n" + x(4094) + "\r\n");
  trozo_ventas t;
  ASSERT_TRUE(lee_trozo(a, 4096, &t));
  sim->inject({.op = plat::Op::kSeek, .path = "ventas.txt", .from_then_on = true});
  EXPECT_EQ(registro_previo(a, &t, 0), -1);
  EXPECT_EQ(registro_siguiente(a, &t, 0), -1);
  sim->close(a);
}

// The writer's sales read back through the readers, in file order.
TEST_F(Controladores, WrittenSalesReadBackForEveryType) {
  using surtidor::venta_surtidor;
  for (const fila_controlador* fila = tabla_controladores; fila->tipo != FIN_CONTROLADORES;
       ++fila) {
    const int32_t tipo = fila->tipo;
    const char sep = fila->separador;
    std::vector<venta_surtidor> ventas = {
        {f(29, 9, 22, 9, 5, 7), 3, 1, 2, 12.5f, 1000.25f},  // a one-digit hour
        {f(29, 9, 22, 10, 30, 45), 12, 8, 16, 25.4f, 123456.78f},
        {f(30, 9, 22, 23, 59, 59), 32, 4, 1, -7.75f, 2.5f},  // a return
    };
    if (fila->campo_tanque < 0) ventas.push_back(surtidor::cierre_de_turno(f(1, 10, 22, 0, 0, 0)));

    // One sale at a time makes the same file as all at once. The station
    // reads SVS AXXUS's binary file as the text lines it converts it to.
    std::remove(ruta("agregado").c_str());
    std::string lineas;
    for (const venta_surtidor& v : ventas) {
      std::string error;
      ASSERT_TRUE(surtidor::agrega_venta(ruta("agregado"), tipo, v, &error)) << error;
      lineas += surtidor::linea_venta(tipo, v);
    }
    EXPECT_EQ(archivo("agregado"), surtidor::archivo_ventas(tipo, ventas)) << tipo;
    const std::string datos = tipo == CONTROLADOR_SVS_AXXUS ? lineas : archivo("agregado");

    // From the newest end towards the oldest record, as the sales reader searches.
    const int a = abre(datos);
    trozo_ventas t;
    int64_t p = 0;
    if (fila->orden == 1) {
      ASSERT_TRUE(lee_trozo(a, std::max<int64_t>(0, int64_t(datos.size()) - kLargoTrozo), &t));
      p = registro_previo(a, &t, t.validos);
    }
    size_t quedan = ventas.size();
    for (; p >= 0;
         p = fila->orden == 1 ? registro_previo(a, &t, 0) : registro_siguiente(a, &t, 0)) {
      ASSERT_GT(quedan, 0u) << tipo;
      const venta_surtidor& e = ventas[--quedan];
      ASSERT_TRUE(lee_trozo(a, p, &t));
      const std::string_view r = t.desde(0);
      const std::string donde = std::string(r.substr(0, r.find('\r')));
      EXPECT_EQ(cuenta_separadores(r, sep) + 1, fila->campos) << donde;
      fecha_bcd fecha;
      EXPECT_TRUE(fecha_del_registro(&fecha, r, *fila) && comparar_fecha(fecha, e.fecha) == 0)
          << donde;
      auto entero = [&](int32_t campo) { return campo < 0 ? 0 : campo_entero(r, campo, sep); };
      EXPECT_EQ(entero(fila->campo_tanque), fila->campo_tanque < 0 ? 0 : e.tanque) << donde;
      EXPECT_EQ(entero(fila->campo_surtidor), fila->campo_surtidor < 0 ? 0 : e.surtidor) << donde;
      EXPECT_EQ(entero(fila->campo_pico), fila->campo_pico < 0 ? 0 : e.pico) << donde;
      // The sales reader's sign rules. Without a sign field a return shows a
      // minus sign, read as 0.0; FUSION WAYNE marks it with 1 and the station
      // takes no notice.
      const int32_t signo = entero(fila->campo_signo);
      float litros = campo_real(r, fila->campo_litros, sep);
      if ((tipo == CONTROLADOR_WOLF && signo == 2) ||
          (tipo == CONTROLADOR_CALDEN_OIL && signo == 1) ||
          (tipo == CONTROLADOR_SVS_AXXUS && signo != 0)) {
        litros = -litros;
      }
      float esperados = e.litros < 0 && fila->campo_signo < 0 ? 0.0f : e.litros;
      if (tipo == CONTROLADOR_FUSION_WAYNE) {
        EXPECT_EQ(signo, e.litros < 0 ? 1 : 0) << donde;
        esperados = std::fabs(e.litros);
      }
      EXPECT_EQ(litros, esperados) << donde;
      if (fila->campo_contador >= 0) {
        EXPECT_EQ(campo_real(r, fila->campo_contador, sep), e.contador) << donde;
      }
    }
    EXPECT_EQ(quedan, 0u) << tipo;
    sim->close(a);
    EXPECT_EQ(nuevos(), std::vector<std::string>{}) << tipo;
  }
}

TEST_F(Controladores, AxxusBinaryRecordLayout) {
  surtidor::venta_surtidor v{f(29, 9, 22, 10, 30, 45), 5, 2, 1, 25.4f, 0.0f};
  const std::string esperado(
      "\xe4\xa0\x84\x69\xa8\xc1\x11\x41"  // 290922.103045
      "\x00\x00\x00\x40"                  // nozzle 2
      "\x00\x00\xa0\x40"                  // pump 5
      "\x00\x00\x00\x00"                  // not read
      "\x33\x33\xcb\x41"                  // 25.4 litres
      "\x00\x00\x00\x00",                 // sign 0
      28);
  EXPECT_EQ(surtidor::registro_axxus(v), esperado);
  v.litros = -25.4f;
  EXPECT_EQ(surtidor::registro_axxus(v),
            esperado.substr(0, 24) + std::string("\x00\x00\x80\x3f", 4));
}

}  // namespace
