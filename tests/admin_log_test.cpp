// Nivara.log as readable lines: decoding, damage, and following a live log.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <vector>

#include "admin/lectura_log.h"
#include "admin/log.h"
#include "entorno.h"
#include "procesos.h"

using admin::fin_log;
using admin::lectura_log;
using V = std::vector<std::string>;
using AdminLog = Estacion;  // for its scratch folder

namespace {

// Log records as the station writes them.
std::string evento(uint16_t minuto, uint8_t codigo) {
  return {static_cast<char>(minuto & 0xFF), static_cast<char>(minuto >> 8),
          static_cast<char>(codigo)};
}
std::string texto(uint16_t minuto, const std::string& t) {
  return evento(minuto, 0xFF) + t + std::string(1, '\0');
}

lectura_log decodifica(const std::string& datos) {
  admin::estado_log estado;
  return decodifica_log(reinterpret_cast<const uint8_t*>(datos.data()), datos.size(), estado);
}

const std::string kSello = "05/12/26  16:39:33";

}  // namespace

// Each kind of record, decoded alone and printed from a file; at damage, the
// lines before it, then where and why it stopped. How the date carries over
// from one piece of a growing log to the next is in the follow test.
TEST_F(AdminLog, DecodesEachKindAndPrintsWhatItCanThenWhereTheLogIsDamaged) {
  const std::string bien = evento(61, 12) + texto(999, kSello) + evento(999, 13) +
                           texto(1000, "NIVARA: host  IP 1.2.3.4") + evento(1439, 0) +
                           texto(1439, "") + texto(1, "tab\t\x9b" "ere");  // 75 bytes
  const std::string lineas =
      "--/--/-- 01:01  [  12] <-STOCK\n"
      "======== 05/12/26  16:39:33 ========\n"
      "05/12/26 16:39  [  13] =*=*=*=*=*=*=*=*=*=*=*=*=*=*=*=*=*=\n"
      "05/12/26 16:40  [text] NIVARA: host  IP 1.2.3.4\n"
      "05/12/26 23:59  [   0] ???\n"
      "05/12/26 23:59  [text] \n"
      // Past midnight the date stays until the next stamp.
      "05/12/26 00:01  [text] tab\\x09\\x9bere\n";
  const struct {
    std::string cola;
    fin_log fin;
    std::string motivo;
  } casos[] = {
      {"", fin_log::kCompleto, ""},
      // The longest text the station writes may still be waiting for its NUL.
      {evento(5, 0xFF) + std::string(508, 'x'), fin_log::kIncompleto,
       "text record without its NUL before the end"},
      {evento(5, 0xFF) + std::string(509, 'x'), fin_log::kDanado,
       "text record without its NUL in 509 bytes"},
      {evento(5, 9).substr(0, 2), fin_log::kIncompleto, "2 bytes left"},
      {evento(1440, 9), fin_log::kDanado, "minute of day 1440 is above 1439"},
      {evento(1440, 9).substr(0, 2), fin_log::kDanado, "minute of day 1440"},
  };
  const std::string log = ruta("Nivara.log");
  for (const auto& caso : casos) {
    SCOPED_TRACE(caso.motivo);
    lectura_log l = decodifica(bien + caso.cola);
    EXPECT_EQ(l.fin, caso.fin);
    EXPECT_EQ(l.leidos, 75u);
    EXPECT_NE(l.motivo.find(caso.motivo), std::string::npos) << l.motivo;
    escribe_archivo(log, bien + caso.cola);
    std::ostringstream salida, errores;
    EXPECT_EQ(admin::imprime_log(log, salida, errores), caso.motivo.empty() ? 0 : 1);
    EXPECT_EQ(salida.str(), lineas);
    // Nothing at all on stderr for a whole log.
    EXPECT_EQ(errores.str().rfind(log + ": stopped at byte 75: " + caso.motivo, 0),
              caso.motivo.empty() ? std::string::npos : 0u)
        << errores.str();
  }
  // Read a block at a time, a log prints as it decodes whole, even with a
  // text longer than the station writes across the first block's end.
  std::string grande;
  while (grande.size() < 65536 - 560) grande += evento(61, 12);
  grande += texto(62, std::string(600, 'y')) + bien;
  escribe_archivo(log, grande);
  std::string todas;
  for (const std::string& linea : decodifica(grande).lineas) todas += linea + "\n";
  std::ostringstream salida, errores;
  EXPECT_EQ(admin::imprime_log(log, salida, errores), 0);
  EXPECT_TRUE(salida.str() == todas);
  EXPECT_EQ(admin::imprime_log(ruta("falta.log"), salida, errores), 1);
  // Only the exact stamp form is a stamp.
  for (const char* t : {"05/12/26 16:39:33", "05/12/26  16:39:33 ", "05/12/2x  16:39:33"}) {
    EXPECT_EQ(decodifica(texto(0, t)).lineas[0], std::string("--/--/-- 00:00  [text] ") + t);
  }
}

TEST_F(AdminLog, FollowPrintsGrowthWaitsForPartsAndStartsAgainWhenTrimmedOrReplaced) {
  const std::string log = ruta("Nivara.log");
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

// The built tool: a bad command line, and a TERM ending the follow loop.
TEST_F(AdminLog, BuiltToolEndsFollowingOnTerm) {
  EXPECT_EQ(
      WEXITSTATUS(std::system((std::string(NIVARA_ADMIN_BIN) + " config 2>/dev/null").c_str())), 2);
  escribe_archivo(ruta("Nivara.log"), evento(60, 12));
  pid_t hijo = lanza(NIVARA_ADMIN_BIN, {"log", "--follow", "Nivara.log"}, carpeta, "salida.txt");
  // Its first line shows it is in the follow loop, signal handlers set.
  EXPECT_EQ(espera_texto(ruta("salida.txt"), "\n"), "--/--/-- 01:00  [  12] <-STOCK\n");
  int estado = detiene(hijo, SIGTERM);
  ASSERT_TRUE(WIFEXITED(estado));
  EXPECT_EQ(WEXITSTATUS(estado), 0);
}
