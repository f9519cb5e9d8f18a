#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "app/CNivaraDlg.h"
#include "entorno.h"

namespace {

class Arranque : public Estacion {
 protected:
  void SetUp() override {
    Estacion::SetUp();
    escribe_archivo(ruta("tnq.ini"), archivo_tnq(configuracion_ejemplo()));
  }
  std::vector<std::string> eventos() { return eventos_log(archivo("Nivara.log")); }
};

TEST_F(Arranque, ReadsTheConfigurationLogsTheHostAndArmsTheFourTimers) {
  sim->set_host("surtidor-1", true, true, {10, 1, 2, 3});
  CNivaraDlg dlg;
  EXPECT_EQ(dlg.oid(), 1);

  struct stat st {};
  EXPECT_EQ(::stat(ruta("tan").c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  EXPECT_EQ(sim->armings(), (std::vector<std::pair<unsigned, unsigned>>{
                                {10, 2000}, {19, 1800000}, {15, 1000}, {14, 30000}}));
  EXPECT_EQ(dlg.textos.banner, "Nivara v9.1");
  EXPECT_EQ(dlg.textos.linea_qtr, "QTR10: IP 10.0.0.7  Port 10001");
  EXPECT_EQ(dlg.textos.file_ventas, "\\\\server\\ventas.txt");
  EXPECT_EQ(dlg.textos.linea_host, "NIVARA: surtidor-1  IP 10.1.2.3");

  std::vector<std::string> e = eventos();
  ASSERT_FALSE(e.empty());
  // The host line; no store, so it is made (94, then the null call finds it
  // empty); then the start-up event goes in.
  ASSERT_GE(e.size(), 6u);
  EXPECT_EQ(std::vector<std::string>(e.end() - 6, e.end()),
            (std::vector<std::string>{"T:NIVARA: surtidor-1  IP 10.1.2.3", "94", "99", "110", "99", "110"}));
  std::string sincro = archivo("qtrs.nvr");
  ASSERT_EQ(sincro.size(), 21u);
  EXPECT_EQ(sincro.substr(0, 2), "A\x05");
  int lineas_host = 0;
  for (const std::string& x : e) lineas_host += x.rfind("T:NIVARA:", 0) == 0;
  EXPECT_EQ(lineas_host, 1);

  // The station starts idle, disconnected, with nothing pending.
  EXPECT_EQ(dlg.enlace.estado_oc, 0);
  EXPECT_EQ(dlg.enlace.conectado, 0);
  EXPECT_EQ(dlg.prog.tanque_rcw, 0);
  EXPECT_EQ(dlg.prog.tanque_pcw, -1);
  EXPECT_EQ(dlg.prog.primera_lectura_calib, 1);
  EXPECT_EQ(dlg.prog.pendiente_RW + dlg.prog.pendiente_RDW + dlg.prog.pendiente_PRE +
                dlg.prog.pendiente_RCW + dlg.prog.pendiente_PCT + dlg.prog.v_de_TO,
            0);
}

TEST_F(Arranque, AHostWithoutNameOrAddressShowsZeros) {
  sim->set_host("", false, false);
  CNivaraDlg sin_nombre;
  sin_nombre.oid();
  EXPECT_EQ(sin_nombre.textos.linea_host, "NIVARA:   IP 0.0.0.0");

  sim->set_host("caja", true, false);
  CNivaraDlg sin_direccion;
  sin_direccion.oid();
  EXPECT_EQ(sin_direccion.textos.linea_host, "NIVARA: caja  IP 0.0.0.0");
}

TEST_F(Arranque, AnExistingOrUncreatableTanFolderIsIgnored) {
  sim->inject({.op = plat::Op::kMakeDir, .path = "tan"});
  CNivaraDlg dlg;
  EXPECT_EQ(dlg.oid(), 1);
  CNivaraDlg otra;
  EXPECT_EQ(otra.oid(), 1);  // folder now exists
  EXPECT_EQ(sim->armings().size(), 8u);
}

TEST_F(Arranque, EachTimerThatCannotBeArmedEndsTheProgram) {
  for (unsigned id : {10u, 19u, 15u, 14u}) {
    std::remove(ruta("Estado.txt").c_str());
    sim->inject({.op = plat::Op::kSetTimer, .timer = id});
    CNivaraDlg dlg;
    EXPECT_EXIT(dlg.oid(), ::testing::ExitedWithCode(0), "") << id;
    sim->clear_faults();
    std::string d = archivo("Estado.txt");
    EXPECT_EQ(d.substr(d.size() - 25), "EXIT: oid: Error Timers\r\n") << id;
    EXPECT_EQ(eventos().back(), "195");
  }
}

TEST_F(Arranque, TheTimersReachTheHandlerWithTheirIds) {
  CNivaraDlg dlg;
  std::vector<unsigned> ids;
  sim->set_timer_handler([&](unsigned id) {
    ids.push_back(id);
    dlg.ot(id);
  });
  dlg.oid();
  sim->run_for(30000);
  // The tick each second, the first cycle at 2 s (until its handler stops
  // it), the sales file at 30 s.
  EXPECT_EQ(std::count(ids.begin(), ids.end(), 15u), 30);
  EXPECT_EQ(ids.front(), 15u);
  EXPECT_EQ(ids[1], 10u);
  EXPECT_EQ(std::count(ids.begin(), ids.end(), 14u), 1);
  EXPECT_EQ(dlg.prog.ot_ocupado, 0);
}

TEST_F(Arranque, ABusyHandlerDropsTheTimerMessage) {
  CNivaraDlg dlg;
  dlg.prog.ot_ocupado = 1;
  dlg.ot(15);
  EXPECT_EQ(dlg.prog.ot_ocupado, 1);
}

}  // namespace
