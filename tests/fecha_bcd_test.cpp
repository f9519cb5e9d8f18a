// The packed BCD date: ordering, seconds between dates, validity and text.
#include "foundation/fecha_bcd.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "entorno.h"

namespace {

TEST(FechaBcd, OrderAndSecondsBetweenBridgeOneMonthWithFebruaryAlways28Days) {
  fecha_bcd otro_dia = fecha_de(1, 2, 22, 3, 4, 5);
  otro_dia.dia_semana = 7;
  // a, b, the order of a against b, the seconds from a to b.
  for (const auto& [a, b, orden, s] : std::vector<std::tuple<fecha_bcd, fecha_bcd, int, int>>{
           {fecha_de(1, 2, 22, 3, 4, 5), otro_dia, 0, 0},  // the weekday is not compared
           {fecha_de(1, 1, 23), fecha_de(31, 12, 22, 23, 59, 59), 1, -1},
           {fecha_de(2, 1, 23), fecha_de(1, 2, 23), -1, 30 * 86400},  // the month counts first
           {fecha_de(1, 1, 23, 0, 0, 1), fecha_de(1, 1, 23), 1, -1},
           {fecha_de(31, 1, 22, 10), fecha_de(1, 2, 22, 9), -1, 82800},
           {fecha_de(28, 2, 24), fecha_de(1, 3, 24), -1, 86400},
           {fecha_de(5, 6, 22, 10), fecha_de(5, 6, 22, 10, 1, 30), -1, 90},
           {fecha_de(30, 0, 22), fecha_de(1, 1, 22), -1, -29 * 86400},  // month 0 bridges nothing
       }) {
    SCOPED_TRACE(s);
    EXPECT_EQ(comparar_fecha(a, b), orden);
    EXPECT_EQ(comparar_fecha(b, a), -orden);
    EXPECT_EQ(segundos_entre(a, b), s);
    EXPECT_EQ(segundos_entre(b, a), -s);
  }
}

TEST(FechaBcd, ValidityChecksEveryFieldAndNibble) {
  // Every byte value in every field, against the rule written out plainly.
  struct {
    int campo;
    unsigned minimo, maximo;
  } const campos[] = {{0, 0, 59}, {1, 0, 59}, {2, 0, 23}, {3, 1, 31}, {4, 1, 12}, {6, 1, 49}};
  for (const auto& c : campos) {
    for (unsigned b = 0; b < 256; ++b) {
      uint8_t r[8] = {0x11, 0x11, 0x11, 0x11, 0x11, 0xFF, 0x11, 0xFF};  // weekday, byte 7 unread
      r[c.campo] = static_cast<uint8_t>(b);
      const unsigned v = (b >> 4) * 10 + (b & 0x0F);
      EXPECT_EQ(fecha_valida(r), (b >> 4) <= 9 && (b & 0x0F) <= 9 && v >= c.minimo && v <= c.maximo)
          << "field " << c.campo << " byte " << b;
    }
  }
}

TEST(FechaBcd, TextComesFromTheRawNibbles) {
  fecha_bcd rara = fecha_de(1, 1, 22);
  rara.segundo = 0x5A;
  for (const auto& [f, texto] : {std::pair{fecha_de(29, 9, 22, 10, 30, 45), "29/09/22 10:30:45"},
                                 std::pair{rara, "01/01/22 00:00:5:"}}) {
    char t[18];
    fecha_a_texto(t, f);
    EXPECT_STREQ(t, texto);
  }
}

}  // namespace
