// The real service's start and end as whoever runs it sees them: its
// arguments, and one line on standard error for each reason it ends.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "entorno.h"
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
    std::string salida;     // "@" stands for the folder
    bool prefijo, escribe;  // the output only begins so; files appear in the folder
  } casos[] = {
      {"help", {"--help"}, 0, "usage: nivara [--help | --version]\n", true, false},
      {"version", {"--version"}, 0, "nivara 9.1\n", false, false},
      {"unknown argument",
       {"--config", "tnq.ini"},
       2,
       "nivara: unexpected argument '--config' (see nivara --help)\n",
       false,
       false},
      {"help and more",
       {"--help", "x"},
       2,
       "nivara: unexpected argument 'x' (see nivara --help)\n",
       false,
       false},
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(c.nombre);
    std::filesystem::remove_all(carpeta);
    std::filesystem::create_directory(carpeta);
    const int estado = espera_fin(arranca("salida", c.args));
    EXPECT_TRUE(WIFEXITED(estado) && WEXITSTATUS(estado) == c.estado) << estado;
    std::string esperada = c.salida;
    if (const size_t i = esperada.find('@'); i != std::string::npos)
      esperada.replace(i, 1, carpeta);
    const std::string s = salida("salida");
    EXPECT_EQ(c.prefijo ? s.substr(0, esperada.size()) : s, esperada);
    EXPECT_EQ(!std::filesystem::is_empty(carpeta), c.escribe);
  }
}

}  // namespace
