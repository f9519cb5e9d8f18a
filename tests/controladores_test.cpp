// The controller layouts' field and date readers, and the record steps
// through the sales file's chunks. Good dates and fields of every layout come
// through the sales reader's tests, from the forecourt's own writer.
#include "sales/controladores.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "entorno.h"
#include "sales/registros.h"

namespace {

using V = std::vector<std::string>;

std::string x(size_t n) { return std::string(n, 'x'); }

class Controladores : public Estacion {
 protected:
  int abre(const std::string& datos) {
    escribe_archivo(ruta("ventas.txt"), datos);
    return sim->open("ventas.txt", plat::kRead, plat::Share::kRead, plat::Creation::kOpenExisting);
  }
};

// Integers (';') take one or two digits; reals (',') at most twelve digits
// and dots, a missing one reading as empty. Both stay on their own line;
// what they refuse is logged and read as -1.
TEST_F(Controladores, FieldsReadTheirDigitsOnTheirOwnLine) {
  const struct {
    const char* registro;
    int32_t campo;
    char sep;
    float valor;
  } casos[] = {
      // clang-format off
      {"a;5;x", 1, ';', 5},           {"a;123;x", 1, ';', 12},        {"7;b", 0, ';', 7},
      {"a;9", 1, ';', 9},             {"a;;x", 1, ';', -1},           {"a;x5;", 1, ';', -1},
      {"a; 5;", 1, ';', -1},          {"a;b", 2, ';', -1},            {"a;b\r\n1;2;3", 2, ';', -1},
      {"a;b\n;4", 2, ';', -1},        {"a,12.50,x", 1, ',', 12.5f},   {"a,-3.0,x", 1, ',', 0},
      {"a,,x", 1, ',', 0},            {"a,b\r\n1,2,3", 2, ',', 0},  {"a,1.2.3.4.5.6.7", 1, ',', -1},
      {"a,7.25\r\n1,2", 1, ',', 7.25f}, {"a,123456789012,x", 1, ',', 123456789012.0f},
      {"a,1234567890123,x", 1, ',', -1},
      // clang-format on
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(c.registro);
    std::remove(ruta("Nivara.log").c_str());
    const bool entero = c.sep == ';';
    EXPECT_EQ(entero ? static_cast<float>(campo_entero(c.registro, c.campo, c.sep))
                     : campo_real(c.registro, c.campo, c.sep),
              c.valor);
    EXPECT_EQ(eventos(), c.valor < 0 ? V{ev(entero ? MSJ_I_CORRUPT : MSJ_F_CORRUPT)} : V{});
  }
}

// A mark out of place, or an unknown layout, refuses the date.
TEST_F(Controladores, DateTextsWithAMarkOutOfPlaceAreRefused) {
  const struct {
    int32_t tipo;
    const char* texto;
  } casos[] = {
      {CONTROLADOR_WOLF, "2022/09/29 10:30:45;1"},
      {CONTROLADOR_WOLF, "2022-09-29 10:30.45;1"},
      {CONTROLADOR_PETROSOFT_X_PICO, "29-09-22,10:30:45,05,2"},
      {CONTROLADOR_PIRCAL, "09/29/2022,10:30:45,1"},
      {CONTROLADOR_SVS_WIDE, "29092022 93045 05 02 1"},  // one-digit hours: HN only
      {CONTROLADOR_SVS_WIDE_HN, "29092022 10304505 02 1"},
      {CONTROLADOR_SVS_NARROW, "290922 1030450 5 02 1"},
      {CONTROLADOR_SVS_NARROW, "29092022 103045 05 02"},
      {10, "2022-09-29 10:30:45;1"},
  };
  for (const auto& c : casos) {
    char texto[kLargoTextoFecha] = {};
    std::strncpy(texto, c.texto, kCopiaFecha);
    fecha_bcd leida{};
    EXPECT_FALSE(fecha_de_registro(&leida, texto, c.tipo)) << c.texto;
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
    SCOPED_TRACE(c.caso);
    const int a = abre(c.datos);
    trozo_ventas t;
    std::vector<int64_t> adelante;
    for (int64_t p = c.inicios[0]; p >= 0; p = registro_siguiente(a, &t, 0)) {
      adelante.push_back(p);
      ASSERT_LE(adelante.size(), c.inicios.size());  // a step that goes round
      ASSERT_TRUE(lee_trozo(a, p, &t));
    }
    EXPECT_EQ(adelante, c.inicios);

    ASSERT_TRUE(lee_trozo(a, std::max<int64_t>(0, int64_t(c.datos.size()) - kLargoTrozo), &t));
    std::vector<int64_t> atras;
    for (int64_t p = registro_previo(a, &t, t.validos); p >= 0; p = registro_previo(a, &t, 0)) {
      atras.insert(atras.begin(), p);
      ASSERT_LE(atras.size(), c.inicios.size());
      ASSERT_TRUE(lee_trozo(a, p, &t));
    }
    EXPECT_EQ(atras, c.inicios);
    sim->close(a);
  }
  // The second record fills its chunk: both neighbours lie in other chunks,
  // which a failed seek leaves out of reach.
  const int a = abre(x(4094) + "\r\n" + x(4094) + "\r\n" + x(4094) + "\r\n");
  trozo_ventas t;
  ASSERT_TRUE(lee_trozo(a, 4096, &t));
  sim->inject({.op = plat::Op::kSeek, .path = "ventas.txt", .from_then_on = true});
  EXPECT_EQ(registro_previo(a, &t, 0), -1);
  EXPECT_EQ(registro_siguiente(a, &t, 0), -1);
  sim->close(a);
}

}  // namespace
