// "config write" and "config print" on real files.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "admin/config.h"
#include "entorno.h"

using AdminConfig = Estacion;  // for its scratch folder

// The demo's text writes a tnq.ini that prints back as that text and writes
// again the same file. Files the station would refuse print nothing; what
// the text cannot carry is printed with a note.
TEST_F(AdminConfig, DemoRoundTripsAndPrintRefusesOrWarns) {
  const std::string demo =
      (std::filesystem::path(__FILE__).parent_path().parent_path() / "demo" / "estacion.txt");
  std::ostringstream e;
  ASSERT_EQ(admin::config_write(demo, ruta("tnq.ini"), e), 0) << e.str();
  // The canonical text is the demo's without its comment header.
  std::string bueno = archivo("tnq.ini"), texto = lee_archivo(demo);
  texto.erase(0, texto.find("\nconsole_address") + 1);
  escribe_archivo(ruta("impreso.txt"), texto);
  ASSERT_EQ(admin::config_write(ruta("impreso.txt"), ruta("otra.ini"), e), 0) << e.str();
  EXPECT_EQ(archivo("otra.ini"), bueno);

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
    escribe_archivo(ruta("tnq.ini"), caso.datos);
    std::ostringstream salida, errores;
    EXPECT_EQ(admin::config_print(ruta("tnq.ini"), salida, errores), caso.rc);
    EXPECT_EQ(salida.str(), caso.salida);
    EXPECT_EQ(errores.str().empty(), caso.error.empty()) << errores.str();
    EXPECT_NE(errores.str().find(caso.error), std::string::npos) << errores.str();
  }
  // The share password is shown only when asked for.
  auto con_clave = [&texto](const std::string& clave) {
    std::string t = texto;
    return t.replace(t.find("share_password =\n"), 17, "share_password = " + clave + "\n");
  };
  escribe_archivo(ruta("clave.txt"), con_clave("s3cret"));
  std::remove(ruta("tnq.ini").c_str());
  ASSERT_EQ(admin::config_write(ruta("clave.txt"), ruta("tnq.ini"), e), 0) << e.str();
  // Readable by the service's user and group only; a replaced file keeps its
  // mode.
  namespace fs = std::filesystem;
  EXPECT_EQ(fs::status(ruta("tnq.ini")).permissions(), fs::perms(0640));
  fs::permissions(ruta("tnq.ini"), fs::perms(0600));
  ASSERT_EQ(admin::config_write(ruta("clave.txt"), ruta("tnq.ini"), e), 0) << e.str();
  EXPECT_EQ(fs::status(ruta("tnq.ini")).permissions(), fs::perms(0600));
  for (bool mostrar : {false, true}) {
    std::ostringstream salida, errores;
    EXPECT_EQ(admin::config_print(ruta("tnq.ini"), salida, errores, mostrar), 0);
    EXPECT_EQ(salida.str(), con_clave(mostrar ? "s3cret" : "********"));
    EXPECT_EQ(errores.str(), "");
  }
}

TEST_F(AdminConfig, AFailedWriteLeavesTheOldFileAndNoTemporaryOne) {
  escribe_archivo(
      ruta("st.txt"),
      "console_address = 1.2.3.4\nconsole_port = 1\n# fine so far\ncontroller = WOLFF\n");
  escribe_archivo(ruta("tnq.ini"), "old contents");
  std::ostringstream e;
  EXPECT_EQ(admin::config_write(ruta("st.txt"), ruta("tnq.ini"), e), 1);
  EXPECT_EQ(e.str(), ruta("st.txt") + ":4: controller: unknown controller \"WOLFF\"\n" +
                         ruta("tnq.ini") + ": not written\n");
  EXPECT_EQ(archivo("tnq.ini"), "old contents");
  // A target that cannot be replaced, and a text that is not there.
  escribe_archivo(ruta("st.txt"),
                  "console_address = 1.2.3.4\nconsole_port = 1\ncontroller = PIRCAL\n");
  std::filesystem::create_directory(ruta("carpeta.ini"));
  EXPECT_EQ(admin::config_write(ruta("st.txt"), ruta("carpeta.ini"), e), 1);
  EXPECT_EQ(admin::config_write(ruta("falta.txt"), ruta("x.ini"), e), 1);
  int archivos = 0;
  for (const auto& a : std::filesystem::directory_iterator(carpeta))
    archivos += a.is_regular_file();
  EXPECT_EQ(archivos, 2);  // st.txt, tnq.ini
}
