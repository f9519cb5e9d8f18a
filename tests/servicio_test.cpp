// The real service's start and end as whoever runs it sees them: its
// arguments, a folder it cannot write, a second service in its folder, and
// one line on standard error for each reason it ends or runs unconfigured.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "entorno.h"
#include "platform/working_folder.h"
#include "procesos.h"

namespace {

class ServicioReal : public ::testing::Test {
 protected:
  void SetUp() override {
    char plantilla[] = "/tmp/nivara-servicio-XXXXXX";
    base = ::mkdtemp(plantilla);
    carpeta = base + "/estacion";
    std::filesystem::create_directory(carpeta);
  }
  void TearDown() override { std::filesystem::remove_all(base); }

  // A tnq.ini whose console nobody answers: the service keeps running.
  void configura() {
    escribe_archivo(base + "/estacion.txt",
                    "console_address = 127.0.0.1\nconsole_port = 1\ncontroller = WOLF\n");
    const std::string orden = std::string(NIVARA_ADMIN_BIN) + " config write " + base +
                              "/estacion.txt " + carpeta + "/tnq.ini";
    ASSERT_EQ(std::system(orden.c_str()), 0);
  }
  // The service in `donde`, both its streams in `salida` beside the folder.
  pid_t arranca(const std::string& salida, const std::vector<std::string>& args = {},
                const std::string& donde = "", const std::string& programa = NIVARA_BIN) {
    return lanza(programa, args, donde.empty() ? carpeta : donde, base + "/" + salida);
  }
  std::string salida(const std::string& nombre) { return lee_archivo(base + "/" + nombre); }

  std::string base, carpeta;
};

TEST_F(ServicioReal, EachWayOfEndingByItselfSaysWhyWithItsStatus) {
  const struct {
    const char* nombre;
    std::vector<std::string> args;
    int estado;
    std::string salida;  // "@" stands for the folder
    bool prefijo;        // the output only begins so
  } casos[] = {
      {"help", {"--help"}, 0, "usage: nivara [--help | --version]\n", true},
      {"version", {"--version"}, 0, "nivara 9.1\n"},
      {"unknown argument",
       {"--config", "x"},
       2,
       "nivara: unexpected argument '--config' (see nivara --help)\n"},
      {"no tnq.ini",
       {},
       0,
       "nivara: no configuration has been read: no tnq.ini in @ (write it with nivara-admin "
       "config write)\nNivara QTR\nnivara: EXIT: lc: Fatal Error (see Estado.txt)\n"},
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(c.nombre);
    std::filesystem::remove_all(carpeta);
    std::filesystem::create_directory(carpeta);
    const int estado = espera_fin(arranca("salida", c.args));
    EXPECT_TRUE(WIFEXITED(estado) && WEXITSTATUS(estado) == c.estado) << estado;
    std::string esperada = c.salida;
    if (const size_t i = esperada.find('@'); i != std::string::npos) {
      esperada.replace(i, 1, carpeta);
    }
    const std::string s = salida("salida");
    EXPECT_EQ(c.prefijo ? s.substr(0, esperada.size()) : s, esperada);
    // Arguments are answered before any file is made.
    EXPECT_EQ(std::filesystem::is_empty(carpeta), !c.args.empty());
  }
}

TEST_F(ServicioReal, AFolderItCannotWriteStopsTheStartBeforeAnythingIsWritten) {
  // A folder of its own, closed to it after a run that left a lock file it
  // may still write. Root writes through permissions: run it as nobody.
  escribe_archivo(carpeta + "/nivara.lock", "");
  namespace fs = std::filesystem;
  fs::permissions(carpeta + "/nivara.lock", fs::perms::all);
  fs::permissions(base, fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
  fs::permissions(carpeta, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_exec |
                               fs::perms::others_exec);
  const bool raiz = ::geteuid() == 0;
  const std::vector<std::string> como_nadie = {"--reuid=65534", "--regid=65534", "--clear-groups",
                                               NIVARA_BIN};
  const struct {
    std::string donde;
    bool como_nadie;
  } casos[] = {{carpeta, raiz}, {"/sys", false}};  // /sys: no file can be made there, even by root
  for (const auto& c : casos) {
    SCOPED_TRACE(c.donde);
    const int estado =
        espera_fin(c.como_nadie ? arranca("salida", como_nadie, c.donde, "/usr/bin/setpriv")
                                : arranca("salida", {}, c.donde));
    EXPECT_TRUE(WIFEXITED(estado) && WEXITSTATUS(estado) == 1) << estado;
    EXPECT_EQ(salida("salida"),
              "nivara: cannot write in the working folder " + c.donde + ": Permission denied\n");
  }
  EXPECT_EQ(lee_archivo(carpeta + "/nivara.lock"), "");
  fs::permissions(carpeta, fs::perms::owner_all);
}

TEST_F(ServicioReal, ASecondServiceInTheFolderIsRefusedNamingTheFirst) {
  configura();
  const pid_t primero = arranca("primero");
  espera_texto(base + "/primero", "Nivara QTR\n");
  const std::string cerrojo = carpeta + "/nivara.lock";
  EXPECT_EQ(plat::instance_lock_holder(cerrojo.c_str()), primero);

  const int estado = espera_fin(arranca("segundo"));
  EXPECT_TRUE(WIFEXITED(estado) && WEXITSTATUS(estado) == 1) << estado;
  EXPECT_EQ(salida("segundo"), "nivara: another nivara (pid " + std::to_string(primero) +
                                   ") runs in " + carpeta + "; not started\n");

  EXPECT_TRUE(WIFEXITED(detiene(primero, SIGTERM)));
  EXPECT_EQ(salida("primero"), "Nivara QTR\n");
  EXPECT_EQ(plat::instance_lock_holder(cerrojo.c_str()), 0);
}

TEST_F(ServicioReal, AServiceWithoutItsJournalSaysOnceThatItHasNoConfiguration) {
  configura();
  std::filesystem::create_directory(carpeta + "/Estado.txt");
  const pid_t servicio = arranca("salida");
  const std::string nota =
      "nivara: no configuration has been read: tnq.ini is read only when Estado.txt can be "
      "written (see Nivara.log)\n";
  espera_texto(base + "/salida", nota);
  EXPECT_TRUE(WIFEXITED(detiene(servicio, SIGTERM)));
  EXPECT_EQ(salida("salida"), "Nivara QTR\n" + nota);
}

}  // namespace
