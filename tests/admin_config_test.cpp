// "config write" and "config print" on real files, and the built tool.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "admin/config.h"
#include "admin_prueba.h"
#include "foundation/bytes.h"

using admin_prueba::Carpeta;
using admin_prueba::escribe;
using admin_prueba::lee;

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

int imprime(const std::string& ini, std::string& salida, std::string& errores) {
  std::ostringstream o, e;
  int rc = admin::config_print(ini, o, e);
  salida = o.str();
  errores = e.str();
  return rc;
}

}  // namespace

TEST(AdminConfig, DemoRoundTripsBothWays) {
  Carpeta d;
  std::ostringstream e;
  ASSERT_EQ(admin::config_write(kDemo, d / "tnq.ini", e), 0) << e.str();
  std::string texto, errores;
  ASSERT_EQ(imprime(d / "tnq.ini", texto, errores), 0);
  EXPECT_EQ(errores, "");  // nothing the text leaves out
  EXPECT_EQ(texto, sin_comentarios(lee(kDemo)));

  escribe(d / "impreso.txt", texto);
  ASSERT_EQ(admin::config_write(d / "impreso.txt", d / "otra.ini", e), 0) << e.str();
  EXPECT_EQ(lee(d / "otra.ini"), lee(d / "tnq.ini"));
  EXPECT_EQ(lee(d / "tnq.ini").size(), 2204u);
}

TEST(AdminConfig, BadTextLeavesTheOldFileAlone) {
  Carpeta d;
  escribe(d / "st.txt",
          "console_address = 1.2.3.4\nconsole_port = 1\n# fine so far\ncontroller = WOLFF\n");
  std::ostringstream e;
  EXPECT_EQ(admin::config_write(d / "st.txt", d / "nuevo.ini", e), 1);
  EXPECT_NE(e.str().find(d / "st.txt:4: controller: unknown controller \"WOLFF\"\n"),
            std::string::npos)
      << e.str();
  EXPECT_FALSE(std::filesystem::exists(d / "nuevo.ini"));

  escribe(d / "tnq.ini", "old contents");
  EXPECT_EQ(admin::config_write(d / "st.txt", d / "tnq.ini", e), 1);
  EXPECT_EQ(lee(d / "tnq.ini"), "old contents");
  // A target that cannot be replaced leaves no temporary file behind.
  std::filesystem::create_directory(d / "carpeta.ini");
  escribe(d / "bien.txt", "console_address = 1.2.3.4\nconsole_port = 1\ncontroller = PIRCAL\n");
  EXPECT_EQ(admin::config_write(d / "bien.txt", d / "carpeta.ini", e), 1);
  EXPECT_EQ(admin::config_write(d / "falta.txt", d / "x.ini", e), 1);
  int archivos = 0;
  for (const auto& a : std::filesystem::directory_iterator(d.ruta())) archivos += a.is_regular_file();
  EXPECT_EQ(archivos, 3);  // st.txt, tnq.ini, bien.txt
}

TEST(AdminConfig, PrintRefusesFilesTheStationWouldRefuse) {
  Carpeta d;
  std::string registro(2192, '\0');
  std::string version13 = "\x0d" + std::string(11, '\0');
  std::string version14 = "\x0e" + std::string(11, '\0');
  const struct {
    std::string datos, error;
  } casos[] = {
      {version13 + registro, "not a tnq.ini of version 14 (version 13)"},
      {"\x0e", "not a tnq.ini of version 14\n"},
      {version14 + registro.substr(1), "incomplete: 2203 bytes"},
      {version14, "incomplete: 12 bytes"},
  };
  for (const auto& caso : casos) {
    SCOPED_TRACE(caso.error);
    escribe(d / "tnq.ini", caso.datos);
    std::string salida, errores;
    EXPECT_EQ(imprime(d / "tnq.ini", salida, errores), 1);
    EXPECT_EQ(salida, "");
    EXPECT_NE(errores.find(caso.error), std::string::npos) << errores;
  }
  std::string salida, errores;
  EXPECT_EQ(imprime(d / "falta.ini", salida, errores), 1);
}

TEST(AdminConfig, PrintSaysWhenTheTextCannotCarryTheFile) {
  Carpeta d;
  std::ostringstream e;
  ASSERT_EQ(admin::config_write(kDemo, d / "tnq.ini", e), 0);
  const std::string bueno = lee(d / "tnq.ini");
  std::string salida, errores;

  std::string reservado = bueno;
  reservado[12 + 1936] = 'x';
  escribe(d / "tnq.ini", reservado);
  EXPECT_EQ(imprime(d / "tnq.ini", salida, errores), 0);
  EXPECT_EQ(salida, sin_comentarios(lee(kDemo)));
  EXPECT_NE(errores.find("first difference at byte 1948"), std::string::npos) << errores;

  escribe(d / "tnq.ini", bueno + bueno.substr(12));  // a second record
  EXPECT_EQ(imprime(d / "tnq.ini", salida, errores), 0);
  EXPECT_NE(errores.find("first difference at byte 2204"), std::string::npos) << errores;

  std::string controlador = bueno;
  controlador[12 + 128] = 10;
  escribe(d / "tnq.ini", controlador);
  EXPECT_EQ(imprime(d / "tnq.ini", salida, errores), 0);
  EXPECT_NE(salida.find("controller = 10\n"), std::string::npos);
  EXPECT_NE(errores.find("does not write back: line 4: controller"), std::string::npos) << errores;
}

TEST(AdminConfig, BuiltToolRunsAndEndsFollowingOnTerm) {
  Carpeta d;
  const std::string bin = NIVARA_ADMIN_BIN;
  auto corre = [](const std::string& orden) { return WEXITSTATUS(std::system(orden.c_str())); };
  EXPECT_EQ(corre(bin + " config write " + kDemo + " " + (d / "tnq.ini")), 0);
  EXPECT_EQ(corre(bin + " config print " + kDemo + " 2>/dev/null"), 1);
  EXPECT_EQ(corre(bin + " config 2>/dev/null"), 2);

  escribe(d / "Nivara.log", admin_prueba::evento(60, 12));
  const std::string log = d / "Nivara.log", salida = d / "salida.txt";
  pid_t hijo = fork();
  ASSERT_GE(hijo, 0);
  if (hijo == 0) {
    int fd = open(salida.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(fd, 1);
    execl(bin.c_str(), bin.c_str(), "log", "--follow", log.c_str(), nullptr);
    _exit(99);
  }
  // Its first line shows it is in the follow loop, signal handlers set.
  for (int i = 0; i < 500 && lee(salida).empty(); ++i) usleep(10 * 1000);
  EXPECT_EQ(lee(salida), "--/--/-- 01:00  [  12] <-STOCK\n");
  kill(hijo, SIGTERM);
  int estado = 0;
  ASSERT_EQ(waitpid(hijo, &estado, 0), hijo);
  ASSERT_TRUE(WIFEXITED(estado));
  EXPECT_EQ(WEXITSTATUS(estado), 0);
}
