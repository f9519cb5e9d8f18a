// The console simulator's configuration file. The station tests run the
// simulator on the simulated network, the end-to-end tests on a real port.
#include <gtest/gtest.h>

#include <string>

#include "qtr10/config.h"

namespace {

TEST(Qtr10Config, DemoFileAndEachKey) {
  const std::string aqui = __FILE__;
  qtr10::ConfigConsola demo;
  ASSERT_EQ(
      qtr10::lee_archivo_config(demo, aqui.substr(0, aqui.rfind('/')) + "/../demo/consola.txt"),
      "");
  // It answers the demo station: same port and access code.
  EXPECT_EQ(demo.puerto, 10001u);
  EXPECT_EQ(demo.codigo_acceso, (qtr10::Codigo{0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0x38}));
  EXPECT_EQ(demo.tanques.size(), 4u);
  EXPECT_EQ(demo.descargas.size(), 1u);

  qtr10::ConfigConsola c;
  ASSERT_EQ(qtr10::lee_config(c,
                              "tank 1 = product X table 0/0 1000/5000 2000/15000 level 400 "
                              "table_scale 0.98  # a comment\n"
                              "question = tank 1 form long\n"
                              "period = 09/06/25 00:00:00 - 10/06/25 00:00:00\n"
                              "fault_split = 4 250\n"
                              "fault_error_ack = 0x81\n"
                              "fault_commands = PCW PCT\n"),
            "");
  EXPECT_DOUBLE_EQ(c.tanques[0].curva.litros(500), 2500);
  EXPECT_DOUBLE_EQ(c.tanques[0].curva.litros(1500), 10000);
  EXPECT_NEAR(c.tanques[0].curva.nivel(10000), 1500, 1e-6);
  ASSERT_TRUE(c.pregunta.has_value());
  EXPECT_TRUE(c.pregunta->larga);
  ASSERT_EQ(c.pregunta->periodos.size(), 1u);
  EXPECT_EQ(c.pregunta->periodos[0].fin.dia_semana, 3);  // a Tuesday
  EXPECT_EQ(c.fallos.trozos, 4);
  EXPECT_EQ(c.fallos.pausa_trozos_ms, 250);
  EXPECT_EQ(c.fallos.acuse_error, 0x81);
  EXPECT_EQ(c.fallos.comandos, qtr10::bit(qtr10::Clase::kPCW) | qtr10::bit(qtr10::Clase::kPCT));
}

TEST(Qtr10Config, BadLinesAreRefused) {
  auto falla = [](const char* texto) {
    qtr10::ConfigConsola x;
    return qtr10::lee_config(x, texto);
  };
  EXPECT_EQ(falla("port = 1\nbogus = 2\n"), "line 2: unknown key \"bogus\"");
  EXPECT_NE(falla("tank 1 = level 100\ntank 3 = level 100\n").find("without gaps"),
            std::string::npos);
  // Litres that do not rise, a table not from 0 mm, a delivery to no tank.
  for (const char* malo :
       {"tank 1 = cylinder 1000 2000 level 1200\n", "tank 1 = table 0/0 10/5 20/5\n",
        "tank 1 = table 10/0 1000/100\n", "tank 1 = level 10\ndelivery 2 = litres 100\n",
        "access_code = 31 32 33\n", "period = 32/06/25 00:00:00 - 10/06/25 00:00:00\n"}) {
    EXPECT_NE(falla(malo), "") << malo;
  }
}

}  // namespace
