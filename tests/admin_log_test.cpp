// Nivara.log as readable lines: decoding, damage, and following a live log.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <vector>

#include "admin/lectura_log.h"
#include "admin/log.h"
#include "admin_prueba.h"

using admin::fin_log;
using admin::lectura_log;
using admin_prueba::evento;
using admin_prueba::texto;
using V = std::vector<std::string>;

namespace {

lectura_log decodifica(const std::string& datos) {
  admin::estado_log estado;
  return decodifica_log(reinterpret_cast<const uint8_t*>(datos.data()), datos.size(), estado);
}

const std::string kSello = "05/12/26  16:39:33";

}  // namespace

// How the date carries over from one piece of a growing log to the next is
// in the follow test.
TEST(AdminLog, DecodesEachKindOfRecord) {
  lectura_log l = decodifica(evento(61, 12) + texto(999, kSello) + evento(999, 13) +
                             texto(1000, "NIVARA: host  IP 1.2.3.4") + evento(1439, 0) +
                             texto(1439, "") + texto(1, "tab\there"));
  EXPECT_EQ(l.fin, fin_log::kCompleto);
  EXPECT_EQ(l.leidos, 3 + 22 + 3 + 28 + 3 + 4 + 12u);
  EXPECT_EQ(l.lineas, (V{
                          "--/--/-- 01:01  [  12] <-STOCK",
                          "======== 05/12/26  16:39:33 ========",
                          "05/12/26 16:39  [  13] =*=*=*=*=*=*=*=*=*=*=*=*=*=*=*=*=*=",
                          "05/12/26 16:40  [text] NIVARA: host  IP 1.2.3.4",
                          "05/12/26 23:59  [   0] ???",
                          "05/12/26 23:59  [text] ",
                          // Past midnight the date stays until the next stamp.
                          "05/12/26 00:01  [text] tab?here",
                      }));
  // Only the exact stamp form is a stamp.
  for (const char* t : {"05/12/26 16:39:33", "05/12/26  16:39:33 ", "05/12/2x  16:39:33"}) {
    EXPECT_EQ(decodifica(texto(0, t)).lineas[0], std::string("--/--/-- 00:00  [text] ") + t);
  }
}

TEST(AdminLog, StopsWhereTheLogIsDamaged) {
  const std::string bien = texto(5, kSello) + evento(5, 9);  // 25 bytes
  const struct {
    std::string cola;
    fin_log fin;
    std::string motivo;
  } casos[] = {
      // The longest text the station writes may still be waiting for its NUL.
      {evento(5, 0xFF) + std::string(508, 'x'), fin_log::kIncompleto,
       "text record without its NUL before the end"},
      {evento(5, 0xFF) + std::string(509, 'x'), fin_log::kDanado, "without its NUL in 509"},
      {evento(5, 9).substr(0, 2), fin_log::kIncompleto, "2 bytes left"},
      {evento(1440, 9), fin_log::kDanado, "minute of day 1440 is above 1439"},
      {evento(1440, 9).substr(0, 2), fin_log::kDanado, "minute of day 1440"},
  };
  for (const auto& caso : casos) {
    SCOPED_TRACE(caso.motivo);
    lectura_log l = decodifica(bien + caso.cola);
    EXPECT_EQ(l.fin, caso.fin);
    EXPECT_EQ(l.leidos, 25u);
    EXPECT_EQ(l.lineas.size(), 2u);
    EXPECT_NE(l.motivo.find(caso.motivo), std::string::npos) << l.motivo;
  }
}

TEST(AdminLog, PrintShowsWhatItCanThenWhereItStopped) {
  admin_prueba::Carpeta d;
  const std::string log = d / "Nivara.log";
  const std::string dos_lineas =
      "======== 05/12/26  16:39:33 ========\n05/12/26 00:05  [   9] ->RW\n";
  std::ostringstream salida, errores;
  escribe_archivo(log, texto(5, kSello) + evento(5, 9));
  EXPECT_EQ(admin::imprime_log(log, salida, errores), 0);
  escribe_archivo(log,
                  texto(5, kSello) + evento(5, 9) + evento(5, 10) + texto(5, "cut").substr(0, 5));
  EXPECT_EQ(admin::imprime_log(log, salida, errores), 1);
  EXPECT_EQ(salida.str(), dos_lineas + dos_lineas + "05/12/26 00:05  [  10] lfv\n");
  EXPECT_EQ(errores.str(),
            log + ": stopped at byte 28: text record without its NUL before the end\n");
  EXPECT_EQ(admin::imprime_log(d / "falta.log", salida, errores), 1);
}

TEST(AdminLog, FollowPrintsGrowthWaitsForPartsAndStartsAgainWhenTrimmedOrReplaced) {
  admin_prueba::Carpeta d;
  const std::string log = d / "Nivara.log";
  auto agrega = [&](const std::string& b) {
    return [=] { std::ofstream(log, std::ios::binary | std::ios::app) << b; };
  };
  // One step after each check of the loop; it is told to stop at the check
  // after the last.
  const std::vector<std::function<void()>> pasos = {
      agrega(texto(600, kSello)),
      agrega(evento(600, 12) + evento(601, 9).substr(0, 1)),
      agrega(evento(601, 9).substr(1) + texto(602, "ab").substr(0, 5)),
      agrega(texto(602, "ab").substr(5)),
      [&] { escribe_archivo(log, evento(604, 9)); },  // trimmed: cut to a shorter tail
      [&] {  // replaced by a new file, longer than the old one
        std::filesystem::remove(log);
        escribe_archivo(log, evento(3, 10) + evento(4, 10));
      },
      agrega(evento(2000, 1)),
      [] { FAIL() << "still following a damaged log"; },
  };
  size_t i = 0;
  auto parar = [&] {
    if (i == pasos.size()) return true;
    pasos[i++]();
    return false;
  };
  std::ostringstream salida, errores;
  EXPECT_EQ(admin::sigue_log(log, salida, errores, parar, std::chrono::milliseconds(1)), 1);
  EXPECT_EQ(salida.str(),
            "======== 05/12/26  16:39:33 ========\n"
            "05/12/26 10:00  [  12] <-STOCK\n"
            "05/12/26 10:01  [   9] ->RW\n"
            "05/12/26 10:02  [text] ab\n"
            "--/--/-- 10:04  [   9] ->RW\n"
            "--/--/-- 00:03  [  10] lfv\n"
            "--/--/-- 00:04  [  10] lfv\n");
  for (const std::string& m :
       V{"waiting for the log to appear", "the log shrank", "the log was replaced",
         log + ": stopped at byte 6: minute of day 2000"}) {
    EXPECT_NE(errores.str().find(m), std::string::npos) << m << "\n" << errores.str();
  }
}
