// Nivara.log as readable lines: decoding, damage, and following a live log.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <sstream>
#include <vector>

#include "admin/lectura_log.h"
#include "admin/log.h"
#include "admin_prueba.h"

using admin::decodifica_log;
using admin::estado_log;
using admin::fin_log;
using admin::lectura_log;
using admin_prueba::evento;
using admin_prueba::texto;

namespace {

lectura_log decodifica(const std::string& datos, estado_log& estado) {
  return decodifica_log(reinterpret_cast<const uint8_t*>(datos.data()), datos.size(), estado);
}
lectura_log decodifica(const std::string& datos) {
  estado_log estado;
  return decodifica(datos, estado);
}

const std::string kSello = "05/12/26  16:39:33";

}  // namespace

TEST(AdminLog, DecodesEachKindOfRecord) {
  estado_log estado;
  lectura_log l = decodifica(evento(61, 12) + texto(999, kSello) + evento(999, 13) +
                                 texto(1000, "NIVARA: host  IP 1.2.3.4") + evento(1439, 0) +
                                 texto(1439, "") + texto(1, "tab\there"),
                             estado);
  EXPECT_EQ(l.fin, fin_log::kCompleto);
  EXPECT_EQ(l.leidos, 3 + 22 + 3 + 28 + 3 + 4 + 12u);
  EXPECT_EQ(l.lineas, (std::vector<std::string>{
                          "--/--/-- 01:01  [  12] <-STOCK",
                          "======== 05/12/26  16:39:33 ========",
                          "05/12/26 16:39  [  13] =*=*=*=*=*=*=*=*=*=*=*=*=*=*=*=*=*=",
                          "05/12/26 16:40  [text] NIVARA: host  IP 1.2.3.4",
                          "05/12/26 23:59  [   0] ???",
                          "05/12/26 23:59  [text] ",
                          // Past midnight the date stays until the next stamp.
                          "05/12/26 00:01  [text] tab?here",
                      }));
  // The date carries over to the next piece of a growing log.
  EXPECT_EQ(decodifica(evento(2, 9), estado).lineas[0], "05/12/26 00:02  [   9] ->RW");

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
      {texto(5, "abc").substr(0, 6), fin_log::kIncompleto, "text record without its NUL"},
      {evento(5, 9).substr(0, 2), fin_log::kIncompleto, "2 bytes left"},
      {evento(1440, 9), fin_log::kDanado, "minute of day 1440 is above 1439"},
      {evento(1440, 9).substr(0, 2), fin_log::kDanado, "minute of day 1440"},
      {evento(5, 0xFF) + std::string(509, 'x'), fin_log::kDanado, "without its NUL in 509"},
  };
  for (const auto& caso : casos) {
    SCOPED_TRACE(caso.motivo);
    lectura_log l = decodifica(bien + caso.cola);
    EXPECT_EQ(l.fin, caso.fin);
    EXPECT_EQ(l.leidos, 25u);
    EXPECT_EQ(l.lineas.size(), 2u);
    EXPECT_NE(l.motivo.find(caso.motivo), std::string::npos) << l.motivo;
  }
  // A 508-character text may still be waiting for its NUL.
  EXPECT_EQ(decodifica(evento(5, 0xFF) + std::string(508, 'x')).fin, fin_log::kIncompleto);
}

TEST(AdminLog, PrintShowsWhatItCanThenWhereItStopped) {
  admin_prueba::Carpeta d;
  std::ostringstream salida, errores;
  escribe_archivo(d / "Nivara.log", texto(5, kSello) + evento(5, 9));
  EXPECT_EQ(admin::imprime_log(d / "Nivara.log", salida, errores), 0);
  EXPECT_EQ(errores.str(), "");

  admin_prueba::agrega(d / "Nivara.log", evento(5, 10) + texto(5, "cut").substr(0, 5));
  salida.str("");
  EXPECT_EQ(admin::imprime_log(d / "Nivara.log", salida, errores), 1);
  EXPECT_EQ(salida.str(),
            "======== 05/12/26  16:39:33 ========\n05/12/26 00:05  [   9] ->RW\n"
            "05/12/26 00:05  [  10] lfv\n");
  EXPECT_EQ(errores.str(), d / "Nivara.log" +
                               ": stopped at byte 28: text record without its NUL before the end\n");
  EXPECT_EQ(admin::imprime_log(d / "falta.log", salida, errores), 1);
}

namespace {

// Runs the follow loop with `pasos[i]` done after its i-th check; it stops
// after the last step's following check.
int sigue(const std::string& ruta, const std::vector<std::function<void()>>& pasos,
          std::string& salida, std::string& errores) {
  std::ostringstream o, e;
  size_t i = 0;
  int rc = admin::sigue_log(
      ruta, o, e,
      [&] {
        if (i == pasos.size()) return true;
        pasos[i++]();
        return false;
      },
      std::chrono::milliseconds(1));
  salida = o.str();
  errores = e.str();
  return rc;
}

}  // namespace

TEST(AdminLog, FollowPrintsGrowthWaitsForPartsAndStartsAgainWhenTrimmedOrReplaced) {
  admin_prueba::Carpeta d;
  const std::string log = d / "Nivara.log";
  auto agrega = [&](const std::string& b) { return [=] { admin_prueba::agrega(log, b); }; };
  std::string salida, errores;
  int rc = sigue(log,
                 {
                     agrega(texto(600, kSello)),
                     agrega(evento(600, 12) + evento(601, 9).substr(0, 1)),
                     agrega(evento(601, 9).substr(1) + texto(602, "ab").substr(0, 5)),
                     agrega(texto(602, "ab").substr(5)),
                     // The trim: the file is cut and holds a shorter tail.
                     [&] { escribe_archivo(log, evento(604, 9)); },
                     [&] {
                       // A new file under the same name, longer than the old one.
                       std::filesystem::remove(log);
                       escribe_archivo(log, evento(3, 10) + evento(4, 10));
                     },
                     agrega(evento(2000, 1)),
                     [] { FAIL() << "still following a damaged log"; },
                 },
                 salida, errores);
  EXPECT_EQ(rc, 1);
  EXPECT_EQ(salida,
            "======== 05/12/26  16:39:33 ========\n"
            "05/12/26 10:00  [  12] <-STOCK\n"
            "05/12/26 10:01  [   9] ->RW\n"
            "05/12/26 10:02  [text] ab\n"
            "--/--/-- 10:04  [   9] ->RW\n"
            "--/--/-- 00:03  [  10] lfv\n"
            "--/--/-- 00:04  [  10] lfv\n");
  EXPECT_NE(errores.find("waiting for the log to appear"), std::string::npos);
  EXPECT_NE(errores.find("the log shrank"), std::string::npos);
  EXPECT_NE(errores.find("the log was replaced"), std::string::npos);
  EXPECT_NE(errores.find(log + ": stopped at byte 6: minute of day 2000"), std::string::npos)
      << errores;
}
