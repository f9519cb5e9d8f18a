// The built nivara-admin on what it is not meant to be given: each reader
// refuses a file that is not what it claims with one line, and a bad
// command line says what was wrong.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "entorno.h"
#include "foundation/gl.h"

namespace {

using AdminHerramienta = Estacion;

TEST_F(AdminHerramienta, EachReaderRefusesWhatItIsNotAndUsageSaysWhatWasWrong) {
  std::string azar;
  for (int i = 0; i < 1000; ++i) azar.push_back(static_cast<char>(i * 37 + 11));
  escribe_archivo(ruta("azar.bin"), azar);
  escribe_archivo(ruta("texto.txt"), "Tank 1: 12000 litres\n");
  escribe_archivo(ruta("Nivara.log"), std::string("\x3c\x00\x0c\x3d\x00\xffok", 8) + '\0');
  const std::string uso = "usage:\n";
  struct {
    std::string args;
    int estado;
    std::string salida;  // how stdout begins
    std::string error;   // stderr's first line
  } casos[] = {
      {"help", 0, uso, ""},
      {"--help", 0, uso, ""},
      {"", 2, "", "nivara-admin: which command?"},
      {"frobnicate", 2, "", "nivara-admin: unknown command frobnicate"},
      {"store --tank 17", 2, "", "nivara-admin: store: --tank 17: a tank is 1 to 16"},
      {"store --from 29/02/25", 2, "",
       "nivara-admin: store: --from 29/02/25: no such day (dd/mm/yy)"},
      {"store --kind", 2, "", "nivara-admin: store: --kind needs a value"},
      {"table compare a.tan", 2, "", "nivara-admin: table compare: two tables"},
      {"table plot a.tan", 2, "", "nivara-admin: table plot: -o <out.svg> is missing"},
      {"log --tail", 2, "", "nivara-admin: log: unexpected --tail"},
      {"store Nivara.log", 1, "",
       "Nivara.log: not an event store (it begins with bytes 0x3C 0x00, no record of version 5)"},
      {"store azar.bin", 1, "",
       "azar.bin: not an event store (it begins with bytes 0x0B 0x30, no "
       "record of version 5)"},
      {"log texto.txt", 1, "",
       "texto.txt: not an event log: minute of day 24916 is above 1439 at its first byte"},
      {"log Nivara.log", 0, "--/--/-- 01:00  [  12] <-STOCK\n", ""},
      {"table print texto.txt", 1, "", "texto.txt: 21 bytes, a table is 1246"},
      {"config print texto.txt", 1, "",
       "texto.txt: not a tnq.ini of version 14 (version 1802395988)"},
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(c.args);
    const std::string orden =
        "cd '" + carpeta + "' && " + NIVARA_ADMIN_BIN + " " + c.args + " >salida.txt 2>errores.txt";
    const int estado = std::system(orden.c_str());
    ASSERT_TRUE(WIFEXITED(estado));
    EXPECT_EQ(WEXITSTATUS(estado), c.estado);
    EXPECT_EQ(archivo("salida.txt").substr(0, c.salida.size()), c.salida);
    if (c.salida.empty()) {
      EXPECT_EQ(archivo("salida.txt"), "");
    }
    const std::string errores = archivo("errores.txt");
    EXPECT_EQ(errores.substr(0, errores.find('\n')), c.error);
  }
}

}  // namespace
