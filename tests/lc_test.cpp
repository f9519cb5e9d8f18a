#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "app/CNivaraDlg.h"
#include "entorno.h"
#include "foundation/bytes.h"

namespace {

class Configuracion : public Estacion {
 protected:
  void tnq(const std::string& datos) { escribe_archivo(ruta("tnq.ini"), datos); }
  std::string diario() { return archivo("Estado.txt"); }
  std::vector<std::string> eventos() { return eventos_log(archivo("Nivara.log")); }

  // The summary's opening lines, up to the TNQ.INI line.
  static std::string cabecera() {
    return "=*=*=*=*=*=*=*=*=*=*=*=*=*=*=*=*=*=\r\n05/03/26  09:07:03\r\nNivara v9.1\r\nTNQ.INI v14\r\n";
  }
  // A fatal reading: summary with `error`, then the end.
  // The faults injected for it are used up by the ending child only, so
  // they are cleared here.
  void espera_fatal(const std::string& error) {
    std::remove(ruta("Estado.txt").c_str());
    std::remove(ruta("Nivara.log").c_str());
    CNivaraDlg dlg;
    EXPECT_EXIT(dlg.lc(), ::testing::ExitedWithCode(0), "");
    sim->clear_faults();
    EXPECT_EQ(diario(), cabecera() + error + "\r\n\r\n\r\n\r\n" +
                            "05/03/26  09:07:03 EXIT: lc: Fatal Error\r\n");
    std::vector<std::string> e = eventos();
    ASSERT_GE(e.size(), 2u);
    EXPECT_EQ(e.back(), "40");
  }

  configuracion_tnq c = configuracion_ejemplo();
};

TEST_F(Configuracion, GoodFileGivesTheWholeSummaryAndItsFirstRecord) {
  c.pon_par(2, 0, 5, 2);    // listed
  c.pon_par(2, 1, 33, 1);   // pump beyond 32: not listed
  c.pon_par(2, 2, 4, 9);    // nozzle beyond 8: not listed
  c.pon_par(0, 11, -3, 1);  // the checks are signed: listed
  c.pon_genera(6, 1);
  c.pon_actu_qtr(0, 1);
  c.bytes[tnq::kSincronizaReloj] = 1;
  std::string dos = archivo_tnq(c, kTnqVersion, 2);
  dos[kTnqCabecera + kTnqRegistro + tnq::kPuerto] = 0x7F;  // a second record is not used
  tnq(dos);
  CNivaraDlg dlg;
  dlg.sincro.ultimo_error = "Error: afs: No se puede abrir sincro";
  dlg.lc();

  std::string esperado = cabecera() +
                         "File Ventas: \\\\server\\ventas.txt\r\n"
                         "Usuario: nivara\r\n"
                         "Password: clave\r\n"
                         "File Stocks: stock.txt\r\n"
                         "Controlador: WOLF\r\n"
                         "TRW: 60 Seg\r\n"
                         "TRFV: 30 Seg\r\n"
                         "QTR10: IP 10.0.0.7  Port 10001\r\n"
                         "T1  S-03  P1\r\n"
                         "T3  S05  P2\r\n";
  for (int t = 1; t <= 16; ++t) {
    char l[64];
    std::snprintf(l, sizeof l, "Genera %02d.tan = %d  ActuQTR %d\r\n", t, t == 7, t == 1);
    esperado += l;
  }
  esperado += "\r\n\r\nError: afs: No se puede abrir sincro\r\n";
  EXPECT_EQ(diario(), esperado);
  EXPECT_EQ(std::memcmp(dlg.config.bytes, c.bytes, kTnqRegistro), 0);

  // Every summary line from the banner on is also a log text.
  std::vector<std::string> e = eventos();
  ASSERT_EQ(e.size(), 1u + 2 + 8 + 2 + 16);
  EXPECT_EQ(e[0], "13");
  EXPECT_EQ(e[10], "T:QTR10: IP 10.0.0.7  Port 10001");

  // Each reading replaces the whole live copy.
  configuracion_tnq otra{};
  otra.pon_controlador(9);
  tnq(archivo_tnq(otra));
  dlg.lc();
  EXPECT_EQ(std::memcmp(dlg.config.bytes, otra.bytes, kTnqRegistro), 0);
}

TEST_F(Configuracion, EndsOnAFileItCannotReadOrDoesNotKnow) {
  espera_fatal("Error: lc: No se puede abrir TNQ.ini");  // missing
  const std::string bueno = archivo_tnq(c);
  const struct {
    std::string datos;
    const char* error;
  } malos[] = {{archivo_tnq(c, 13), "Error: lc: Version tnq.ini desconocida"},
               {archivo_tnq(c, 15), "Error: lc: Version tnq.ini desconocida"},
               {std::string("\x0e\x00", 2), "Error: lc: Version tnq.ini desconocida"},
               {bueno.substr(0, kTnqCabecera), "Error: lc: tnq.ini incompleto"},
               {bueno + "x", "Error: lc: tnq.ini incompleto"}};
  for (const auto& m : malos) {
    tnq(m.datos);
    espera_fatal(m.error);
  }
  tnq(bueno);
  sim->inject({.op = plat::Op::kSize, .path = "tnq.ini"});
  espera_fatal("Error: lc: tnq.ini");
  sim->inject({.op = plat::Op::kRead, .path = "tnq.ini", .short_io = true});
  espera_fatal("Error: lc: tnq.ini");
  sim->inject({.op = plat::Op::kAlloc});
  espera_fatal("Error: EXIT: lc: GlobalAlloc failed");
}

TEST_F(Configuracion, EndsOnAnUnknownControllerOrTheStopFlag) {
  c.pon_controlador(10);
  tnq(archivo_tnq(c));
  CNivaraDlg dlg;
  EXPECT_EXIT(dlg.lc(), ::testing::ExitedWithCode(0), "");
  EXPECT_NE(diario().find("File Stocks: stock.txt\r\nError: Controlador: 10 Desconocido\r\n\r\n\r\n\r\n"
                          "05/03/26  09:07:03 EXIT: lc: Fatal Error\r\n"),
            std::string::npos);
  std::vector<std::string> e = eventos();
  EXPECT_EQ(e[e.size() - 2], "T:Error: Controlador: 10 Desconocido");
  EXPECT_EQ(e.back(), "40");

  // The stop flag ends only after the whole summary.
  c = configuracion_ejemplo();
  c.bytes[tnq::kStopNivara] = 1;
  tnq(archivo_tnq(c));
  EXPECT_EXIT(dlg.lc(), ::testing::ExitedWithCode(0), "");
  EXPECT_NE(diario().find("Genera 16.tan = 0  ActuQTR 0\r\n\r\n\r\n\r\n05/03/26  09:07:03 EXIT: lc: StopNivara\r\n"),
            std::string::npos);
  EXPECT_EQ(eventos().back(), "43");
}

TEST_F(Configuracion, JournalFailuresAreLogged) {
  tnq(archivo_tnq(c));
  sim->inject({.op = plat::Op::kWrite, .path = "Estado.txt"});
  CNivaraDlg dlg;
  dlg.lc();  // the summary is lost, the reading stands
  EXPECT_EQ(dlg.config.puerto(), 10001u);
  EXPECT_EQ(diario(), "");
  EXPECT_EQ(eventos().back(), "183");

  // A journal that cannot be opened or wound on leaves the configuration as it was.
  configuracion_tnq otra = c;
  otra.pon_puerto(2);
  tnq(archivo_tnq(otra));
  int otro = ::open(ruta("Estado.txt").c_str(), O_RDWR);
  ASSERT_EQ(::flock(otro, LOCK_EX), 0);
  dlg.lc();
  ::close(otro);
  EXPECT_EQ(dlg.config.puerto(), 10001u);
  std::vector<std::string> e = eventos();
  EXPECT_EQ(std::vector<std::string>(e.end() - 3, e.end()), (std::vector<std::string>{"183", "182", "186"}));
  sim->inject({.op = plat::Op::kSeek, .path = "Estado.txt"});
  dlg.lc();
  EXPECT_EQ(dlg.config.puerto(), 10001u);
  EXPECT_EQ(eventos().back(), "186");
}

}  // namespace
