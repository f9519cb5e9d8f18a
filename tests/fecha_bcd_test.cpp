// The packed BCD date: ordering, seconds between dates, validity and text.
#include "foundation/fecha_bcd.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

// dd/mm/yy hh:mm:ss written as decimal numbers, packed into BCD.
fecha_bcd f(unsigned d, unsigned m, unsigned a, unsigned h, unsigned mi, unsigned s,
            uint8_t dia_semana = 0) {
  return {bin_a_bcd(s), bin_a_bcd(mi), bin_a_bcd(h), bin_a_bcd(d),
          bin_a_bcd(m), dia_semana,    bin_a_bcd(a)};
}

std::string texto(const fecha_bcd& x) {
  char t[18];
  fecha_a_texto(t, x);
  return t;
}

TEST(FechaBcd, ComparisonIgnoresWeekdayAndOrdersAcrossTheYear) {
  EXPECT_EQ(comparar_fecha(f(1, 2, 22, 3, 4, 5, 1), f(1, 2, 22, 3, 4, 5, 7)), 0);
  const fecha_bcd fin_de_anio = f(31, 12, 22, 23, 59, 59), anio_nuevo = f(1, 1, 23, 0, 0, 0);
  EXPECT_EQ(comparar_fecha(anio_nuevo, fin_de_anio), 1);
  EXPECT_EQ(comparar_fecha(fin_de_anio, anio_nuevo), -1);
  // Each field counts after the ones above it.
  EXPECT_EQ(comparar_fecha(f(2, 1, 23, 0, 0, 0), f(1, 2, 23, 0, 0, 0)), -1);
  EXPECT_EQ(comparar_fecha(f(1, 1, 23, 0, 0, 1), f(1, 1, 23, 0, 0, 0)), 1);
}

TEST(FechaBcd, SecondsBetweenBridgeOneMonthWithFebruaryAlways28Days) {
  fecha_bcd enero = f(31, 1, 22, 10, 0, 0);
  fecha_bcd febrero = f(1, 2, 22, 9, 0, 0);
  EXPECT_EQ(segundos_entre(enero, febrero), 82800);
  EXPECT_EQ(segundos_entre(febrero, enero), -82800);
  EXPECT_EQ(segundos_entre(f(28, 2, 24, 0, 0, 0), f(1, 3, 24, 0, 0, 0)), 86400);
  EXPECT_EQ(segundos_entre(f(5, 6, 22, 10, 0, 0), f(5, 6, 22, 10, 1, 30)), 90);
  // A month byte of zero bridges nothing.
  EXPECT_EQ(segundos_entre(f(30, 0, 22, 0, 0, 0), f(1, 1, 22, 0, 0, 0)), -29 * 86400);
}

TEST(FechaBcd, ValidityChecksEveryFieldAndNibble) {
  // Every byte value in every field, against the rule written out plainly.
  struct {
    int campo;
    unsigned minimo, maximo;
  } const campos[] = {{0, 0, 59}, {1, 0, 59}, {2, 0, 23}, {3, 1, 31}, {4, 1, 12}, {6, 1, 49}};
  const fecha_bcd buena = f(11, 11, 11, 11, 11, 11);
  for (const auto& c : campos) {
    for (unsigned b = 0; b < 256; ++b) {
      uint8_t r[8];
      std::memcpy(r, &buena, 7);
      r[5] = 0xFF;  // the weekday and the byte after the date are not looked at
      r[7] = 0xFF;
      r[c.campo] = static_cast<uint8_t>(b);
      const bool digitos = (b >> 4) <= 9 && (b & 0x0F) <= 9;
      const unsigned v = bcd_a_bin(static_cast<uint8_t>(b));
      EXPECT_EQ(fecha_valida(r), digitos && v >= c.minimo && v <= c.maximo)
          << "field " << c.campo << " byte " << b;
    }
  }
}

TEST(FechaBcd, TextComesFromTheRawNibbles) {
  EXPECT_EQ(texto(f(29, 9, 22, 10, 30, 45)), "29/09/22 10:30:45");
  fecha_bcd rara = f(1, 1, 22, 0, 0, 0);
  rara.segundo = 0x5A;
  EXPECT_EQ(texto(rara), "01/01/22 00:00:5:");
}

}  // namespace
