// The controller layouts: field and date readers.
#include "sales/controladores.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "entorno.h"

namespace {

fecha_bcd f(unsigned d, unsigned m, unsigned a, unsigned h, unsigned mi, unsigned s) {
  return {bin_a_bcd(s), bin_a_bcd(mi), bin_a_bcd(h), bin_a_bcd(d), bin_a_bcd(m), 0, bin_a_bcd(a)};
}

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

TEST_F(Controladores, DateTextsOfEveryType) {
  const fecha_bcd kEsperada = f(29, 9, 22, 10, 30, 45);
  const struct {
    int32_t tipo;
    const char* texto;
    bool ok;
    fecha_bcd fecha;
  } casos[] = {
      {CONTROLADOR_WOLF, "2022-09-29 10:30:45;1;123.45", true, kEsperada},
      {CONTROLADOR_CALDEN_OIL, "2031-12-01 23:59:07;5;02;1.00;0", true, f(1, 12, 31, 23, 59, 7)},
      {CONTROLADOR_SVS_AXXUS, "2022-09-29 10:30:45;5;2;25.400000;0\r\n", true, kEsperada},
      {CONTROLADOR_WOLF, "2022/09/29 10:30:45;1", false, {}},
      {CONTROLADOR_WOLF, "2022-09-29T10:30:45;1", false, {}},
      {CONTROLADOR_WOLF, "2022-09-29 10:30.45;1", false, {}},
      {CONTROLADOR_PETROSOFT_X_PICO, "29/09/22,10:30:45,05,2", true, kEsperada},
      {CONTROLADOR_PETROSOFT_X_TANQUE, "01/12/31,23:59:07,05,2", true, f(1, 12, 31, 23, 59, 7)},
      {CONTROLADOR_PETROSOFT_X_PICO, "29-09-22,10:30:45,05,2", false, {}},
      {CONTROLADOR_PIRCAL, "09/29/2022 10:30:45,1,25.40,3", true, kEsperada},
      {CONTROLADOR_FUSION_WAYNE, "12/01/2031 23:59:07;5;2;1.00;0", true, f(1, 12, 31, 23, 59, 7)},
      {CONTROLADOR_PIRCAL, "09/29/2022,10:30:45,1", false, {}},
      {CONTROLADOR_SVS_WIDE, "29092022 103045 05 02 1", true, kEsperada},
      {CONTROLADOR_SVS_WIDE, "29092022 93045 05 02 1", false, {}},
      {CONTROLADOR_SVS_WIDE_HN, "29092022 103045 05 02 1", true, kEsperada},
      {CONTROLADOR_SVS_WIDE_HN, "29092022 93045 05 02 1", true, f(29, 9, 22, 9, 30, 45)},
      {CONTROLADOR_SVS_WIDE_HN, "29092022 10304505 02 1", false, {}},
      {CONTROLADOR_SVS_NARROW, "290922 103045 05 02 1", true, kEsperada},
      {CONTROLADOR_SVS_NARROW, "290922 1030450 5 02 1", false, {}},
      {CONTROLADOR_SVS_NARROW, "29092022 103045 05 02", false, {}},
      {10, "2022-09-29 10:30:45;1", false, {}},
      {-1, "2022-09-29 10:30:45;1", false, {}},
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

}  // namespace
