// "config write" and "config print" on real files, and the built tool.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "admin/config.h"
#include "admin_prueba.h"
#include "procesos.h"

using admin_prueba::Carpeta;

namespace {

const std::string kDemo =
    (std::filesystem::path(__FILE__).parent_path().parent_path() / "demo" / "estacion.txt")
        .string();

// The demo file without its comment header: the canonical text.
std::string sin_comentarios(const std::string& texto) {
  std::istringstream in(texto);
  std::string linea, r;
  while (std::getline(in, linea)) {
    if (!linea.empty() && linea[0] != '#') r += linea + "\n";
  }
  return r;
}

}  // namespace

// The demo's text writes a tnq.ini that prints back as that text and writes
// again the same file. Files the station would refuse print nothing; what
// the text cannot carry is printed with a note.
TEST(AdminConfig, DemoRoundTripsAndPrintRefusesOrWarns) {
  Carpeta d;
  std::ostringstream e;
  ASSERT_EQ(admin::config_write(kDemo, d / "tnq.ini", e), 0) << e.str();
  const std::string bueno = lee_archivo(d / "tnq.ini"), texto = sin_comentarios(lee_archivo(kDemo));
  EXPECT_EQ(bueno.size(), 2204u);
  escribe_archivo(d / "impreso.txt", texto);
  ASSERT_EQ(admin::config_write(d / "impreso.txt", d / "otra.ini", e), 0) << e.str();
  EXPECT_EQ(lee_archivo(d / "otra.ini"), bueno);

  std::string version13 = bueno, reservado = bueno, controlador = bueno, texto10 = texto;
  version13[0] = 13;
  reservado[12 + 1936] = 'x';
  controlador[12 + 128] = 10;
  texto10.replace(texto10.find("WOLF"), 4, "10");
  const struct {
    std::string datos;
    int rc;
    std::string salida, error;
  } casos[] = {
      {bueno, 0, texto, ""},
      {version13, 1, "", "not a tnq.ini of version 14 (version 13)"},
      {"\x0e", 1, "", "not a tnq.ini of version 14\n"},
      {bueno.substr(0, bueno.size() - 1), 1, "", "incomplete: 2203 bytes"},
      {reservado, 0, texto, "first difference at byte 1948"},
      {bueno + bueno.substr(12), 0, texto, "first difference at byte 2204"},  // a second record
      {controlador, 0, texto10, "does not write back: line 4: controller"},
  };
  for (const auto& caso : casos) {
    SCOPED_TRACE(caso.error);
    escribe_archivo(d / "tnq.ini", caso.datos);
    std::ostringstream salida, errores;
    EXPECT_EQ(admin::config_print(d / "tnq.ini", salida, errores), caso.rc);
    EXPECT_EQ(salida.str(), caso.salida);
    EXPECT_EQ(errores.str().empty(), caso.error.empty()) << errores.str();
    EXPECT_NE(errores.str().find(caso.error), std::string::npos) << errores.str();
  }
}

TEST(AdminConfig, AFailedWriteLeavesTheOldFileAndNoTemporaryOne) {
  Carpeta d;
  escribe_archivo(
      d / "st.txt",
      "console_address = 1.2.3.4\nconsole_port = 1\n# fine so far\ncontroller = WOLFF\n");
  escribe_archivo(d / "tnq.ini", "old contents");
  std::ostringstream e;
  EXPECT_EQ(admin::config_write(d / "st.txt", d / "tnq.ini", e), 1);
  EXPECT_EQ(e.str(), d / "st.txt" + ":4: controller: unknown controller \"WOLFF\"\n" +
                         d / "tnq.ini" + ": not written\n");
  EXPECT_EQ(lee_archivo(d / "tnq.ini"), "old contents");
  // A target that cannot be replaced, and a text that is not there.
  escribe_archivo(d / "st.txt",
                  "console_address = 1.2.3.4\nconsole_port = 1\ncontroller = PIRCAL\n");
  std::filesystem::create_directory(d / "carpeta.ini");
  EXPECT_EQ(admin::config_write(d / "st.txt", d / "carpeta.ini", e), 1);
  EXPECT_EQ(admin::config_write(d / "falta.txt", d / "x.ini", e), 1);
  int archivos = 0;
  for (const auto& a : std::filesystem::directory_iterator(d.ruta()))
    archivos += a.is_regular_file();
  EXPECT_EQ(archivos, 2);  // st.txt, tnq.ini
}

TEST(AdminConfig, BuiltToolEndsFollowingOnTerm) {
  Carpeta d;
  EXPECT_EQ(
      WEXITSTATUS(std::system((std::string(NIVARA_ADMIN_BIN) + " config 2>/dev/null").c_str())), 2);
  escribe_archivo(d / "Nivara.log", admin_prueba::evento(60, 12));
  pid_t hijo = lanza(NIVARA_ADMIN_BIN, {"log", "--follow", "Nivara.log"}, d.ruta(), "salida.txt");
  // Its first line shows it is in the follow loop, signal handlers set.
  EXPECT_EQ(espera_texto(d / "salida.txt", "\n"), "--/--/-- 01:00  [  12] <-STOCK\n");
  int estado = detiene(hijo, SIGTERM);
  ASSERT_TRUE(WIFEXITED(estado));
  EXPECT_EQ(WEXITSTATUS(estado), 0);
}
