// Start-up: the configuration, the host line, the store, the four timers.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "app/CNivaraDlg.h"
#include "entorno.h"

namespace {

using Arranque = Estacion;

TEST_F(Arranque, ReadsTheConfigurationLogsTheHostAndArmsTheFourTimers) {
  escribe_archivo(ruta("tnq.ini"), archivo_tnq(configuracion_ejemplo()));
  sim->set_host("surtidor-1", true, true, {10, 1, 2, 3});
  CNivaraDlg dlg;
  EXPECT_EQ(dlg.oid(), 1);

  EXPECT_TRUE(existe(ruta("tan")));
  const std::pair<unsigned, unsigned> timers[] = {{TIMER_CICLO, kMsInicioCiclo},
                                                  {TIMER_CONFIGURACION, kMsConfiguracion},
                                                  {TIMER_TIC, kMsTic},
                                                  {TIMER_VENTAS, kMsVentas}};
  EXPECT_EQ(sim->armings(), std::vector(std::begin(timers), std::end(timers)));
  EXPECT_EQ(dlg.textos.linea_qtr, "QTR10: IP 10.0.0.7  Port 10001");
  EXPECT_EQ(dlg.textos.file_ventas, "\\\\server\\ventas.txt");

  // The summary, the host line once; no store, so it is made (94, then the
  // null call finds it empty); the sales scan finds no sales file; then the
  // start-up event goes in.
  const eventos_t e = eventos();
  ASSERT_EQ(e.size(), 1u + 2 + 8 + 16 + 7);
  EXPECT_EQ(e[0], ev(MSJ_SEPARADOR));
  EXPECT_EQ(
      eventos_t(e.end() - 7, e.end()),
      (eventos_t{"T:NIVARA: surtidor-1  IP 10.1.2.3", ev(MSJ_GENERA_SINCRO), ev(MSJ_AFS_VACIO),
                 ev(MSJ_AFS_MES_VIEJO), "T:Error: safv: File open failed 2", ev(MSJ_AFS_VACIO),
                 ev(MSJ_AFS_MES_VIEJO)}));
  EXPECT_EQ(archivo("qtrs.nvr").substr(0, 2), "A\x05");

  // A timer message that arrives while the handler runs is dropped.
  dlg.prog.ot_ocupado = 1;
  dlg.ot(TIMER_TIC);
  EXPECT_EQ(dlg.prog.ot_ocupado, 1);

  // Neither a host name, nor its address, nor the tan folder is needed.
  sim->inject({.op = plat::Op::kMakeDir, .path = "tan"});  // then it exists
  for (auto [nombre, linea] :
       {std::tuple{"", "NIVARA:   IP 0.0.0.0"}, std::tuple{"caja", "NIVARA: caja  IP 0.0.0.0"}}) {
    sim->set_host(nombre, *nombre != '\0', false);
    CNivaraDlg otro;
    EXPECT_EQ(otro.oid(), 1);
    EXPECT_EQ(otro.textos.linea_host, linea);
  }

  // A timer that cannot be armed ends the program.
  for (const auto& t : timers) {
    const unsigned id = t.first;
    sim->inject({.op = plat::Op::kSetTimer, .timer = id});
    CNivaraDlg otro;
    EXPECT_EXIT(otro.oid(), ::testing::ExitedWithCode(0), "") << id;
    sim->clear_faults();
    EXPECT_TRUE(archivo("Estado.txt").ends_with(" EXIT: oid: Error Timers\r\n")) << id;
    EXPECT_EQ(eventos().back(), ev(MSJ_EXIT_OID_TIMERS));
  }
}

}  // namespace
