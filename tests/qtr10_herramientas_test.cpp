// The console simulator's configuration file. The station tests run the
// simulator on the simulated network, the end-to-end tests on a real port.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "admin/estacion.h"
#include "entorno.h"
#include "qtr10/config.h"
#include "sales/controladores.h"

namespace {

TEST(Qtr10Config, DemoFileAndEachKey) {
  const std::string aqui = __FILE__;
  const std::string carpeta = aqui.substr(0, aqui.rfind('/')) + "/../demo/";
  qtr10::ConfigConsola demo;
  ASSERT_EQ(qtr10::lee_archivo_config(demo, carpeta + "consola.txt"), "");
  configuracion_tnq estacion;
  std::vector<admin::error_estacion> errores;
  ASSERT_TRUE(admin::lee_estacion(lee_archivo(carpeta + "estacion.txt"), estacion, errores));
  // It answers the demo station: same port and access code; and its
  // forecourt writes the station's sales file, with the station's nozzles.
  EXPECT_EQ(demo.puerto, estacion.puerto());
  EXPECT_EQ(0, std::memcmp(demo.codigo_acceso.data(), estacion.codigo_acceso(), 8));
  ASSERT_EQ(demo.tanques.size(), 4u);
  EXPECT_EQ(demo.playa.controlador, estacion.controlador());
  EXPECT_EQ(demo.playa.archivo, estacion.file_ventas());
  for (int t = 0; t < 4; ++t) {
    const std::vector<qtr10::ConfigPico>& p = demo.tanques[t].picos;
    for (size_t k = 0; k <= p.size(); ++k) {  // and no pair after the last
      EXPECT_EQ(estacion.surtidor(t, k), k < p.size() ? p[k].surtidor : 0) << t << " " << k;
      EXPECT_EQ(estacion.pico(t, k), k < p.size() ? p[k].pico : 0) << t << " " << k;
    }
  }

  qtr10::ConfigConsola c;
  ASSERT_EQ(qtr10::lee_config(c,
                              "tank 1 = product X table 0/0 1000/5000 2000/15000 level 400 "
                              "table_scale 0.98  # a comment\n"
                              "question = tank 1 form long\n"
                              "period = 09/06/25 00:00:00 - 10/06/25 00:00:00\n"
                              "fault_split = 4 250\n"
                              "fault_error_ack = 0x81\n"
                              "fault_commands = PCW PCT\n"
                              "tank 2 = nozzles 3/12 4/40:-0.25 3/96:+1.5\n"
                              "controller = CALDEN OIL\n"
                              "sales_file = ventas de playa.txt\n"
                              "sales_per_hour = 45.5\n"
                              "sale_litres = 2 80\n"
                              "returns = 3\n"
                              "new_file = 0.5\n"
                              "shift_close = 06:00 22:30\n"
                              "seed = 77\n"),
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
  const std::vector<qtr10::ConfigPico>& p = c.tanques[1].picos;
  const qtr10::ConfigPlaya& f = c.playa;
  ASSERT_EQ(p.size(), 3u);
  EXPECT_EQ(f.archivo, "ventas de playa.txt");
  EXPECT_EQ((std::vector<double>{static_cast<double>(f.controlador), f.ventas_hora, f.litros_min,
                                 f.litros_max, f.devoluciones_pct, f.archivo_nuevo_pct,
                                 static_cast<double>(f.semilla), p[1].error_pct, p[2].error_pct}),
            (std::vector<double>{CONTROLADOR_CALDEN_OIL, 45.5, 2, 80, 3, 0.5, 77, -0.25, 1.5}));
  EXPECT_EQ(f.cierres_min, (std::vector<int>{360, 1350}));
  EXPECT_EQ(p[1].surtidor * 100 + p[1].pico, 440);  // 4/40
}

TEST(Qtr10Config, BadLinesAreRefused) {
  auto falla = [](const char* texto) {
    qtr10::ConfigConsola x;
    return qtr10::lee_config(x, texto);
  };
  EXPECT_EQ(falla("port = 1\nbogus = 2\n"), "line 2: unknown key \"bogus\"");
  EXPECT_NE(falla("tank 1 = level 100\ntank 3 = level 100\n").find("without gaps"),
            std::string::npos);
  // A level above the tank, litres that do not rise, a table not from 0 mm,
  // a delivery to no tank; a forecourt without its file, its controller, or
  // a nozzle to sell from.
  for (const char* malo :
       {"tank 1 = cylinder 1000 2000 level 1200\n", "tank 1 = table 0/0 10/5 20/5\n",
        "tank 1 = table 10/0 1000/100\n", "tank 1 = level 10\ndelivery 2 = litres 100\n",
        "access_code = 31 32 33\n", "period = 32/06/25 00:00:00 - 10/06/25 00:00:00\n",
        "tank 1 = nozzles 1/1\ncontroller = WOLF\n", "tank 1 = level 10\nsales_file = v.txt\n",
        "tank 1 = level 10\ncontroller = WOLF\nsales_file = v\n"}) {
    EXPECT_NE(falla(malo), "") << malo;
  }
  // The forecourt: each line alone is good (WOLF, tank 1 with nozzle 1/1),
  // the station could not take what it writes.
  const std::string bueno = "tank 1 = nozzles 1/1\ncontroller = WOLF\nsales_file = v.txt\n";
  EXPECT_EQ(falla(bueno.c_str()), "");
  for (const char* malo : {
           "controller = BOGUS\n", "sales_per_hour = 3601\n", "sale_litres = 20 5\n",
           "returns = 101\n", "new_file = -1\n", "shift_close = 24:00\n",
           "tank 1 = nozzles 1/1:60\n",                   // the meter's error beyond 50 %
           "tank 1 = nozzles 1/1 1/1\n",                  // twice
           "tank 1 = nozzles 1/9\n",                      // beyond WOLF's 8 nozzles
           "tank 1 = nozzles 17/1\n",                     // beyond WOLF's 16 pumps of meters
           "controller = PIRCAL\nshift_close = 06:00\n",  // no pump 99 nozzle 99 to write
           "controller = CALDEN OIL\ntank 1 = nozzles 1/7 2/7\n",  // one number, two nozzles
       }) {
    const std::string texto = bueno + malo;
    EXPECT_NE(falla(texto.c_str()), "") << malo;
  }
}

}  // namespace
