// Reading tnq.ini: the summary in the journal and the log, the live
// configuration, and each way a reading ends the program or is given up.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "app/CNivaraDlg.h"
#include "entorno.h"

namespace {

using enum plat::Op;

// The summary's opening lines, up to the TNQ.INI line.
const std::string kCabecera =
    "=*=*=*=*=*=*=*=*=*=*=*=*=*=*=*=*=*=\r\n05/03/26  09:07:03\r\nNivara v9.1\r\nTNQ.INI v14\r\n";
const std::string kFinal = "\r\n\r\n\r\n";  // the empty line and the two empty status lines

class Configuracion : public Estacion {
 protected:
  void tnq(const std::string& datos) { escribe_archivo(ruta("tnq.ini"), datos); }
  std::string diario() { return archivo("Estado.txt"); }
  eventos_t ultimos(size_t n) {
    const eventos_t e = eventos();
    return eventos_t(e.end() - static_cast<long>(std::min(n, e.size())), e.end());
  }

  configuracion_tnq c = configuracion_ejemplo();
  CNivaraDlg dlg;
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
  dlg.sincro.ultimo_error = "Error: afs: No se puede abrir sincro";
  std::memset(dlg.config.bytes, 0x55, kTnqRegistro);  // the reading replaces the whole live copy
  dlg.lc();

  std::string esperado =
      kCabecera +
      "File Ventas: \\\\server\\ventas.txt\r\nUsuario: nivara\r\nPassword: clave\r\n"
      "File Stocks: stock.txt\r\nControlador: WOLF\r\nTRW: 60 Seg\r\nTRFV: 30 Seg\r\n"
      "QTR10: IP 10.0.0.7  Port 10001\r\nT1  S-03  P1\r\nT3  S05  P2\r\n";
  for (int t = 1; t <= 16; ++t) {
    char l[64];
    std::snprintf(l, sizeof l, "Genera %02d.tan = %d  ActuQTR %d\r\n", t, t == 7, t == 1);
    esperado += l;
  }
  EXPECT_EQ(diario(), esperado + "\r\n\r\nError: afs: No se puede abrir sincro\r\n");
  EXPECT_EQ(std::memcmp(dlg.config.bytes, c.bytes, kTnqRegistro), 0);

  // Every summary line from the banner on is also a log text.
  const eventos_t e = eventos();
  ASSERT_EQ(e.size(), 1u + 2 + 8 + 2 + 16);
  EXPECT_EQ(e[0], ev(MSJ_SEPARADOR));
  EXPECT_EQ(e[10], "T:QTR10: IP 10.0.0.7  Port 10001");
}

TEST_F(Configuracion, EachFailureIsLoggedAndAFileItCannotReadOrDoesNotKnowEndsTheProgram) {
  const std::string bueno = archivo_tnq(c), t = "tnq.ini", d = "Estado.txt";
  c.pon_controlador(10);
  const std::string abre = "Error: lc: No se puede abrir TNQ.ini", tnq_ini = "Error: lc: tnq.ini",
                    version = "Error: lc: Version tnq.ini desconocida",
                    incompleto = "Error: lc: tnq.ini incompleto", fatal = ev(MSJ_EXIT_LC_FATAL);
  const plat::Fault ninguna = {.nth = 0};
  struct {
    std::string datos;
    plat::Fault falla;
    eventos_t eventos;    // the last ones logged
    std::string lineas;   // of the summary after the header; empty: not fatal
    uint32_t puerto = 0;  // of the live copy after
  } casos[] = {
      {bueno, {.op = kOpen, .path = t}, {ev(MSJ_LC_NO_ABRE), fatal}, abre},
      {bueno, {.op = kSize, .path = t}, {ev(MSJ_LC_TNQ), fatal}, tnq_ini},
      {bueno, {.op = kRead, .path = t, .short_io = true}, {ev(MSJ_LC_TNQ), fatal}, tnq_ini},
      {bueno,
       {.op = kAlloc},
       {ev(MSJ_EXIT_LC_MEMORIA), fatal},
       "Error: EXIT: lc: GlobalAlloc failed"},
      {archivo_tnq(c, 13), ninguna, {ev(MSJ_LC_VERSION), fatal}, version},
      {archivo_tnq(c, 15), ninguna, {ev(MSJ_LC_VERSION), fatal}, version},
      {std::string("\x0e\x00", 2), ninguna, {ev(MSJ_LC_VERSION), fatal}, version},
      {bueno.substr(0, kTnqCabecera), ninguna, {ev(MSJ_LC_INCOMPLETO), fatal}, incompleto},
      {bueno + "x", ninguna, {ev(MSJ_LC_INCOMPLETO), fatal}, incompleto},
      // The new record has replaced the live one by then.
      {archivo_tnq(c),
       ninguna,
       {"T:Error: Controlador: 10 Desconocido", fatal},
       "File Ventas: \\\\server\\ventas.txt\r\nUsuario: nivara\r\nPassword: clave\r\n"
       "File Stocks: stock.txt\r\nError: Controlador: 10 Desconocido"},
      // The summary lost, the reading stands; a journal that cannot be
      // opened or wound on leaves the configuration as it was.
      {bueno, {.op = kWrite, .path = d}, evs({MSJ_LC_NO_GUARDA_DIARIO}), "", 10001},
      {bueno, {.op = kOpen, .path = d}, evs({MSJ_LC_NO_CREA_DIARIO, MSJ_LC_NO_POSICIONA_DIARIO})},
      {bueno, {.op = kSeek, .path = d}, evs({MSJ_LC_NO_POSICIONA_DIARIO})},
  };
  for (const auto& x : casos) {
    SCOPED_TRACE(&x - casos);
    tnq(x.datos);
    std::remove(ruta("Estado.txt").c_str());
    std::remove(ruta("Nivara.log").c_str());
    dlg.config = {};
    sim->inject(x.falla);
    if (x.lineas.empty()) {
      dlg.lc();
      EXPECT_EQ(diario(), "");
    } else {
      EXPECT_EXIT(dlg.lc(), ::testing::ExitedWithCode(0), "");
      EXPECT_EQ(diario(), kCabecera + x.lineas + "\r\n" + kFinal +
                              "05/03/26  09:07:03 EXIT: lc: Fatal Error\r\n");
    }
    sim->clear_faults();  // used up by the ending child only
    EXPECT_EQ(dlg.config.puerto(), x.puerto);
    EXPECT_EQ(ultimos(x.eventos.size()), x.eventos);
  }

  // The stop flag ends only after the whole summary.
  c = configuracion_ejemplo();
  c.bytes[tnq::kStopNivara] = 1;
  tnq(archivo_tnq(c));
  EXPECT_EXIT(dlg.lc(), ::testing::ExitedWithCode(0), "");
  EXPECT_NE(diario().find("Genera 16.tan = 0  ActuQTR 0\r\n" + kFinal +
                          "05/03/26  09:07:03 EXIT: lc: StopNivara\r\n"),
            std::string::npos);
  EXPECT_EQ(ultimos(1), evs({MSJ_EXIT_LC_STOP}));
}

}  // namespace
