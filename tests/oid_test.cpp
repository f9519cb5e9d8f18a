// Start-up: the configuration, the host line, the store, the four timers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/CNivaraDlg.h"
#include "entorno.h"

namespace {

using V = std::vector<std::string>;

class Arranque : public Estacion {
 protected:
  void SetUp() override {
    Estacion::SetUp();
    escribe_archivo(ruta("tnq.ini"), archivo_tnq(configuracion_ejemplo()));
  }
};

TEST_F(Arranque, ReadsTheConfigurationLogsTheHostAndArmsTheFourTimers) {
  sim->set_host("surtidor-1", true, true, {10, 1, 2, 3});
  CNivaraDlg dlg;
  EXPECT_EQ(dlg.oid(), 1);

  EXPECT_TRUE(existe(ruta("tan")));
  EXPECT_EQ(sim->armings(),
            (std::vector<std::pair<unsigned, unsigned>>{{TIMER_CICLO, kMsInicioCiclo},
                                                        {TIMER_CONFIGURACION, kMsConfiguracion},
                                                        {TIMER_TIC, kMsTic},
                                                        {TIMER_VENTAS, kMsVentas}}));
  EXPECT_EQ(dlg.textos.linea_qtr, "QTR10: IP 10.0.0.7  Port 10001");
  EXPECT_EQ(dlg.textos.file_ventas, "\\\\server\\ventas.txt");

  // The summary, the host line once; no store, so it is made (94, then the
  // null call finds it empty); the sales scan finds no sales file; then the
  // start-up event goes in.
  const V e = eventos();
  ASSERT_EQ(e.size(), 1u + 2 + 8 + 16 + 7);
  EXPECT_EQ(e[0], ev(MSJ_SEPARADOR));
  EXPECT_EQ(V(e.end() - 7, e.end()),
            (V{"T:NIVARA: surtidor-1  IP 10.1.2.3", ev(MSJ_GENERA_SINCRO), ev(MSJ_AFS_VACIO),
               ev(MSJ_AFS_MES_VIEJO), "T:Error: safv: File open failed 2", ev(MSJ_AFS_VACIO),
               ev(MSJ_AFS_MES_VIEJO)}));
  EXPECT_EQ(archivo("qtrs.nvr").substr(0, 2), "A\x05");

  // A timer message that arrives while the handler runs is dropped.
  dlg.prog.ot_ocupado = 1;
  dlg.ot(TIMER_TIC);
  EXPECT_EQ(dlg.prog.ot_ocupado, 1);

  // Neither a host name, nor its address, nor the tan folder is needed.
  sim->set_host("", false, false);
  sim->inject({.op = plat::Op::kMakeDir, .path = "tan"});
  CNivaraDlg sin_nombre;
  EXPECT_EQ(sin_nombre.oid(), 1);
  EXPECT_EQ(sin_nombre.textos.linea_host, "NIVARA:   IP 0.0.0.0");
  sim->set_host("caja", true, false);
  CNivaraDlg sin_direccion;
  EXPECT_EQ(sin_direccion.oid(), 1);
  EXPECT_EQ(sin_direccion.textos.linea_host, "NIVARA: caja  IP 0.0.0.0");
}

TEST_F(Arranque, EachTimerThatCannotBeArmedEndsTheProgram) {
  for (unsigned id : {TIMER_CICLO, TIMER_CONFIGURACION, TIMER_TIC, TIMER_VENTAS}) {
    sim->inject({.op = plat::Op::kSetTimer, .timer = id});
    CNivaraDlg dlg;
    EXPECT_EXIT(dlg.oid(), ::testing::ExitedWithCode(0), "") << id;
    sim->clear_faults();
    const std::string d = archivo("Estado.txt");
    EXPECT_EQ(d.substr(d.size() - 25), "EXIT: oid: Error Timers\r\n") << id;
    EXPECT_EQ(eventos().back(), ev(MSJ_EXIT_OID_TIMERS));
  }
}

}  // namespace
