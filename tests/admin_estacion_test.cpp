// The station text and the configuration record it stands for.
#include <gtest/gtest.h>

#include <vector>

#include "admin/estacion.h"
#include "foundation/bytes.h"

using admin::error_estacion;

namespace {

const std::string kCanonico =
    "console_address = 192.168.1.50\n"
    "console_port = 10001\n"
    "access_code = 31 32 33 34 35 36 07 3A\n"
    "controller = CALDEN OIL\n"
    "sales_file = \\\\servidor\\ventas#2\\ventas.txt\n"
    "share_user = nivara\n"
    "share_password = secreto\n"
    "stop_nivara = 1\n"
    "clock_sync = 1\n"
    "stock_file = C:\\stock#1.txt\n"
    "tank 1 = genera 1  actuqtr 0  nozzles 1/1 2/1 5/2\n"
    "tank 2 = genera 1  actuqtr 1\n"
    "tank 3 = genera 0  actuqtr 0  nozzles 99/96 7/3\n"
    "tank 16 = genera 0  actuqtr 1  nozzles 1/1 2/1 3/1 4/1 5/1 6/1 7/1 8/1 9/1 10/1 11/1 12/1\n";

configuracion_tnq lee_bien(const std::string& texto) {
  configuracion_tnq c;
  std::vector<error_estacion> errores;
  EXPECT_TRUE(admin::lee_estacion(texto, c, errores)) << (errores.empty() ? "" : errores[0].texto);
  return c;
}

std::vector<error_estacion> errores_de(const std::string& texto) {
  configuracion_tnq c;
  std::vector<error_estacion> errores;
  EXPECT_FALSE(admin::lee_estacion(texto, c, errores));
  return errores;
}

}  // namespace

// The canonical text round trips; written loosely (a UTF-8 mark, CR LF,
// blanks, comments, any order, short and lower-case hex, flags left out) it
// reads the same.
TEST(AdminEstacion, CanonicalTextRoundTripsFillsTheRecordAndReadsLooseLayout) {
  configuracion_tnq c = lee_bien(kCanonico);
  EXPECT_EQ(admin::imprime_estacion(c), kCanonico);
  EXPECT_EQ(
      admin::imprime_estacion(lee_bien(
          "\xEF\xBB\xBF# station\r\n"
          "\r\n"
          "  tank 16=nozzles 1/1 2/1 3/1 4/1 5/1 6/1 7/1 8/1 9/1 10/1 11/1 12/1  actuqtr 1\r\n"
          "tank 3 = nozzles 99/96 7/3 # pairs, no flags\r\n"
          "tank 2 = actuqtr 1 genera 1\r\n"
          "tank 01 = nozzles 1/1 2/1 5/2 genera 1\r\n"
          "stock_file=C:\\stock#1.txt\r\n"
          "clock_sync\t=  1\r\n"
          "stop_nivara = 1\r\n"
          "share_password = secreto\r\n"
          "share_user =nivara\r\n"
          "sales_file = \\\\servidor\\ventas#2\\ventas.txt\r\n"
          "controller   =   CALDEN OIL\r\n"
          "access_code = 31 32 33 34 35 36 7 3a\r\n"
          "console_port = 10001\r\n"
          "console_address = 192.168.1.50\r\n")),
      kCanonico);

  // Raw offsets, not the named ones, so a wrong constant shows.
  const uint8_t* r = c.bytes;
  const auto u32 = [&](size_t i) { return lee_u32_le(r + i); };
  EXPECT_EQ(
      (std::vector<uint32_t>{u32(76), u32(128), r[263], u32(268 + 2 * 96), u32(268 + 2 * 96 + 4),
                             u32(268 + 15 * 96 + 11 * 8), u32(1804 + 4), r[1868], u32(1872 + 4)}),
      (std::vector<uint32_t>{10001, 6, 1, 99, 96, 12, 1, 1, 1}));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(r + 8), 4), "\xC0\xA8\x01\x32");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(r + 88), 8), "123456\x07:");
  EXPECT_STREQ(reinterpret_cast<const char*>(r + 196), "nivara");
  EXPECT_STREQ(reinterpret_cast<const char*>(r + 2064), "C:\\stock#1.txt");

  // Only tanks in use are printed; a pair without pump is not.
  c.pon_par(4, 0, 0, 3);
  c.pon_par(6, 5, 8, 2);  // away from slot 0
  std::string con_mas = kCanonico;
  con_mas.insert(con_mas.find("tank 16"),
                 "tank 5 = genera 0  actuqtr 0\ntank 7 = genera 0  actuqtr 0  nozzles 8/2\n");
  EXPECT_EQ(admin::imprime_estacion(c), con_mas);
}

TEST(AdminEstacion, NamesEachBadLineAndWhatIsWrong) {
  const std::vector<std::string> base = {"console_address = 1.2.3.4", "console_port = 1",
                                         "controller = WOLF", "tank 1 = genera 1",
                                         "clock_sync = 0"};
  // The base, with `linea` as line 6 in place of the base's own setting of
  // the same key (which becomes a comment, keeping the line numbers).
  auto texto = [&](const std::string& linea) {
    std::string t;
    for (const std::string& b : base) {
      bool misma = b.substr(0, b.find(" =")) == linea.substr(0, linea.find(" ="));
      t += (misma ? "#" : b) + "\n";
    }
    return t + linea + "\n";
  };
  // The longest texts are accepted.
  lee_bien(texto("sales_file = " + std::string(63, 'x')) + "share_user = " + std::string(15, 'u') +
           "\nshare_password = " + std::string(15, 'p') +
           "\nstock_file = " + std::string(127, 's'));

  const struct {
    std::string linea, error;
  } casos[] = {
      {"colour = blue", "unknown key \"colour\""},
      {"just words", "expected \"key = value\""},
      {"controller = WOLFF", "controller: unknown controller \"WOLFF\""},
      {"console_port = 65536", "console_port: bad port"},
      {"console_address = 1.2.3", "console_address: bad IPv4 address"},
      {"access_code = 31 32 33 34 35 36 37 GG", "access_code: bad access code"},
      {"sales_file = " + std::string(64, 'x'),
       "sales_file: text too long (64 characters, at most 63)"},
      {"share_user = " + std::string(16, 'u'), "share_user: text too long"},
      {"stock_file = " + std::string(128, 's'), "stock_file: text too long"},
      {"clock_sync = 2", "clock_sync: bad flag \"2\""},
      {"tank 17 = genera 1", "tank: bad tank number \"17\""},
      {"tank 5 = nozzles 1/1 2/2 3/3 4/4 5/5 6/6 7/7 8/8 9/9 10/10 11/11 12/12 13/1",
       "tank 5: too many pairs"},
      {"tank 5 = nozzles 1/97", "tank 5: bad pair \"1/97\""},
      {"tank 5 = genera 2", "tank 5: genera: bad flag"},
      {"tank 5 = actuqtr", "tank 5: actuqtr without a value"},
      {"tank 5 = genera 1 genera 1", "tank 5: genera given twice"},
      {"tank 5 = speed 3", "tank 5: unexpected \"speed\""},
      // The same keys spelt otherwise, after the base's own.
      {"clock_sync  = 1", "clock_sync: duplicate key (first on line 5)"},
      {"tank   01 = genera 0", "tank 1: duplicate key (first on line 4)"},
  };
  for (const auto& caso : casos) {
    SCOPED_TRACE(caso.linea);
    std::vector<error_estacion> f = errores_de(texto(caso.linea));
    ASSERT_EQ(f.size(), 1u);
    EXPECT_EQ(f[0].linea, 6);
    EXPECT_EQ(f[0].texto.rfind(caso.error, 0), 0u) << f[0].texto;
  }

  // Every missing required key, on no line.
  std::vector<error_estacion> e = errores_de("# nothing but\nconsole_port = 5\n");
  ASSERT_EQ(e.size(), 2u);
  EXPECT_EQ(e[0].linea, 0);
  EXPECT_EQ(e[0].texto, "missing required key \"console_address\"");
  EXPECT_EQ(e[1].texto, "missing required key \"controller\"");
}
