// The scheduler and the link in virtual time.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "console/tramas.h"
#include "estacion_en_linea.h"
#include "platform/plataforma.h"

namespace {

using V = std::vector<std::string>;

class Programador : public EstacionEnLinea {};

TEST_F(Programador, KeepsTheSteadyRhythmOneConnectionPerCommand) {
  config.pon_genera(1, 1);
  config.pon_genera(4, 1);
  arranca();
  sim->run_for(10 * 60 * 1000);

  std::vector<int64_t> rw, rdw, rcw;
  for (const trama_recibida& t : consola.tramas) {
    int64_t en = t.ms - inicio_ms;
    if (t.codigo() == CODIGO_RW) rw.push_back(en);
    if (t.codigo() == CODIGO_RDW) rdw.push_back(en);
    if (t.codigo() == CODIGO_RCW) rcw.push_back(en);
  }
  // The first inventory a little after the 2 s cycle start, then every minute
  // (the poll's 60 s plus the wait for the connect and the tick).
  ASSERT_GE(rw.size(), 9u);
  EXPECT_LT(rw[0], 4000);
  for (size_t i = 1; i < rw.size(); ++i) {
    EXPECT_GE(rw[i] - rw[i - 1], 60000);
    EXPECT_LE(rw[i] - rw[i - 1], 62000);
  }
  ASSERT_GE(rdw.size(), 4u);
  for (size_t i = 1; i < rdw.size(); ++i) {
    EXPECT_GE(rdw[i] - rdw[i - 1], 120000);
    EXPECT_LE(rdw[i] - rdw[i - 1], 122000);
  }
  // The two flagged tanks' tables, a few seconds apart, once.
  ASSERT_EQ(rcw.size(), 2u);
  auto rcw1 = std::find_if(consola.tramas.begin(), consola.tramas.end(),
                           [](const trama_recibida& t) { return t.codigo() == CODIGO_RCW; });
  EXPECT_EQ(rcw1->bytes[12], 1);  // the first flagged tank, zero-based
  EXPECT_GE(rcw[1] - rcw[0], 3000);
  EXPECT_LE(rcw[1] - rcw[0], 5000);
  EXPECT_EQ(dlg->prog.tanque_rcw, 16);
  EXPECT_EQ(dlg->prog.primera_lectura_calib, 0);
  // One frame per connection, and each link closed after its reply.
  EXPECT_EQ(consola.conexiones, static_cast<int>(consola.tramas.size()));
  for (size_t i = 0; i < consola.tramas.size(); ++i) EXPECT_EQ(consola.tramas[i].conexion, static_cast<int>(i + 1));
  EXPECT_EQ(dlg->enlace.conectado, 0);
}

TEST_F(Programador, TheFirstExchangeLogsTheWholePath) {
  arranca();
  sim->run_for(3500);
  // Cycle start; the connect made, the tick re-sends; the send; the reply.
  EXPECT_EQ(eventos_nuevos(), (V{"35", "7", "9", "12"}));
}

TEST_F(Programador, ACommandDueDuringAnotherWaitsForTheTick) {
  arranca();
  sim->run_for(3500);  // the first inventory is done
  eventos_nuevos();
  consola.demora_ms = 2000;  // the deliveries' reply is slow
  dlg->ot(TIMER_RDW);        // deliveries now: connect, then send at the next tick
  sim->run_for(1500);
  ASSERT_EQ(dlg->enlace.estado_oc, WAIT_DESCARGAS);
  dlg->ot(TIMER_RW);  // falls due while the deliveries are awaited
  EXPECT_EQ(dlg->prog.pendiente_RW, 1);
  // The RCW of the cycle start also fell due meanwhile.
  EXPECT_EQ(eventos_nuevos(), (V{"33", "26", "114", "206", "37"}));
  sim->run_for(3200);
  // The reply closed the link; the tick re-armed RW, which opened a new one.
  V e = eventos_nuevos();
  EXPECT_NE(std::find(e.begin(), e.end(), "36"), e.end());
  EXPECT_NE(std::find(e.begin(), e.end(), "6"), e.end());
  EXPECT_EQ(codigos().back(), CODIGO_RW);
  EXPECT_EQ(consola.tramas.back().conexion, consola.conexiones);
}

TEST_F(Programador, TheTickServesOneFlagPerSecondInOrder) {
  arranca();
  dlg->prog = estado_programador{};
  dlg->prog.tanque_rcw = 16;
  sim->clear_faults();
  // Keep the commands themselves from running: only the tick's choices count.
  for (unsigned id : {10u, 11u, 12u, 13u, 17u, 18u, 21u}) sim->KillTimer(id);
  dlg->prog.pendiente_RW = dlg->prog.pendiente_RDW = dlg->prog.pendiente_PRE = 1;
  dlg->prog.pendiente_RCW = dlg->prog.pendiente_PCW = dlg->prog.pendiente_PCT = 1;
  for (int i = 0; i < 6; ++i) dlg->tic();
  EXPECT_EQ(eventos_nuevos(), (V{"6", "31", "28", "117", "169", "167"}));
  for (unsigned id : {11u, 12u, 13u, 17u, 18u, 21u}) {
    unsigned periodo = 0;
    EXPECT_TRUE(sim->timer_armed(id, &periodo)) << id;
    EXPECT_EQ(periodo, 50u);
  }
  dlg->enlace.conectado = 1;
  dlg->prog.pendiente_RW = dlg->prog.pendiente_PCW = 1;
  dlg->tic();
  dlg->tic();
  EXPECT_EQ(eventos_nuevos(), (V{"7", "170"}));
}

TEST_F(Programador, AnUnreachableConsoleIsTriedAboutEvery20Seconds) {
  sim->set_connect_mode("10.0.0.7", 10001, plat::ConnectMode::kSilent);
  arranca();
  sim->run_for(2100);
  EXPECT_EQ(dlg->enlace.estado_oc, WAIT_CONNECT);
  EXPECT_EQ(eventos_nuevos(), (V{"35"}));
  sim->run_for(4000);  // 4 s after the connect started
  V e = eventos_nuevos();
  EXPECT_EQ(std::count(e.begin(), e.end(), "192"), 1);
  EXPECT_EQ(std::count(e.begin(), e.end(), "34"), 0);
  EXPECT_EQ(std::count(e.begin(), e.end(), "211"), 4);  // one per second while waiting
  EXPECT_EQ(dlg->prog.pendiente_RW, 1);
  EXPECT_EQ(dlg->prog.v_de_TO, 2);
  // Ten minutes: about one attempt every 20 s (RDW falls due once meanwhile).
  sim->run_for(10 * 60 * 1000);
  e = eventos_nuevos();
  long intentos = std::count(e.begin(), e.end(), "192");
  EXPECT_GE(intentos, 27);
  EXPECT_LE(intentos, 31);
  EXPECT_EQ(consola.conexiones, 0);
  // Each time-out's quiet period is reported once (the first one's here too).
  EXPECT_EQ(std::count(e.begin(), e.end(), "201"), intentos + 1);
}

TEST_F(Programador, ASilentConsoleTimesOutAndTheCommandIsSentAgain) {
  consola.modo = ConsolaPrueba::Modo::kCalla;
  arranca();
  sim->run_for(3100);  // RW sent at about 3.05 s
  ASSERT_EQ(dlg->enlace.estado_oc, WAIT_READ);
  eventos_nuevos();
  sim->run_for(3000);
  V e = eventos_nuevos();
  EXPECT_EQ(std::count(e.begin(), e.end(), "205"), 3);
  EXPECT_EQ(dlg->enlace.estado_oc, 0);
  EXPECT_EQ(dlg->enlace.conectado, 0);
  EXPECT_EQ(dlg->prog.pendiente_RW, 1);
  // After the quiet period the tick re-sends it.
  consola.modo = ConsolaPrueba::Modo::kContesta;
  sim->run_for(17000);
  EXPECT_EQ(cuenta(CODIGO_RW), 2);
  EXPECT_EQ(dlg->prog.pendiente_RW, 0);
}

TEST_F(Programador, APeerThatClosesBeforeReplyingLeavesTheWaitToTheTimeOut) {
  consola.modo = ConsolaPrueba::Modo::kCierra;
  arranca();
  sim->run_for(3200);
  EXPECT_EQ(eventos_nuevos(), (V{"35", "7", "9", "5"}));
  EXPECT_EQ(dlg->enlace.conectado, 0);
  EXPECT_EQ(dlg->enlace.estado_oc, WAIT_READ);
  sim->run_for(3000);
  EXPECT_EQ(dlg->enlace.estado_oc, 0);
  EXPECT_EQ(dlg->prog.pendiente_RW, 1);
}

TEST_F(Programador, SendAndReceiveFailuresRestartTheCycleIn2Seconds) {
  arranca();
  sim->inject({.op = plat::Op::kSend});
  sim->run_for(3100);
  V e = eventos_nuevos();
  ASSERT_GE(e.size(), 2u);
  EXPECT_EQ(e[e.size() - 1].rfind("T:Error .Send ", 0), 0u);
  EXPECT_EQ(dlg->enlace.conectado, 0);
  unsigned periodo = 0;
  EXPECT_TRUE(sim->timer_armed(TIMER_CICLO, &periodo));
  EXPECT_EQ(periodo, 2000u);
  sim->run_for(2000);
  e = eventos_nuevos();
  EXPECT_NE(std::find(e.begin(), e.end(), "35"), e.end());

  sim->inject({.op = plat::Op::kReceive});
  sim->run_for(1100);
  e = eventos_nuevos();
  EXPECT_NE(std::find(e.begin(), e.end(), "4"), e.end());
  EXPECT_TRUE(sim->timer_armed(TIMER_CICLO));
  EXPECT_EQ(dlg->enlace.estado_oc, 0);
}

TEST_F(Programador, FailedArmingsOfTimer10AreOnlyLogged) {
  arranca();
  sim->inject({.op = plat::Op::kSend});
  sim->inject({.op = plat::Op::kSetTimer, .timer = TIMER_CICLO});
  sim->run_for(3100);
  V e = eventos_nuevos();
  EXPECT_EQ(e.back(), "2");
  dlg->enlace.estado_oc = 0;
  dlg->enlace.conectado = 1;
  sim->inject({.op = plat::Op::kReceive});
  sim->inject({.op = plat::Op::kSetTimer, .timer = TIMER_CICLO});
  dlg->orfr();
  EXPECT_EQ(eventos_nuevos(), (V{"4", "3"}));
}

TEST_F(Programador, WithoutAnAccessCodeNothingIsSentAndEachTryTimesOut) {
  std::memset(config.bytes + tnq::kCodigoAcceso, 0, 8);
  arranca();
  sim->run_for(7000);
  V e = eventos_nuevos();
  EXPECT_EQ(std::count(e.begin(), e.end(), "41"), 1);
  EXPECT_EQ(dlg->prog.pendiente_RW, 1);  // timed out 3 s after the attempt
  sim->run_for(60000);
  e = eventos_nuevos();
  EXPECT_GE(std::count(e.begin(), e.end(), "41"), 3);
  EXPECT_TRUE(consola.tramas.empty());
}

TEST_F(Programador, AnRcwSweepWithNoFlaggedTankEndsAndIsNotArmedAgain) {
  arranca();
  sim->run_for(8000);
  EXPECT_EQ(dlg->prog.tanque_rcw, 16);
  EXPECT_EQ(dlg->prog.primera_lectura_calib, 0);
  EXPECT_EQ(cuenta(CODIGO_RCW), 0);
  EXPECT_EQ(dlg->enlace.conectado, 0);
  dlg->ot(TIMER_CICLO);
  EXPECT_FALSE(sim->timer_armed(TIMER_RCW));
  // The configuration re-read starts a new sweep.
  dlg->ot(TIMER_CONFIGURACION);
  EXPECT_EQ(dlg->prog.tanque_rcw, 0);
  EXPECT_EQ(eventos_nuevos().back().rfind("T:", 0), 0u);  // the summary lines
  sim->run_for(2100);
  EXPECT_TRUE(sim->timer_armed(TIMER_RCW));
}

TEST_F(Programador, ATimeOutWhileIdleOnlyStartsTheQuietPeriod) {
  arranca();
  sim->KillTimer(TIMER_CICLO);
  dlg->ctw();
  sim->run_for(10);
  ASSERT_EQ(dlg->enlace.conectado, 1);
  dlg->ot(TIMER_RESPUESTA);
  EXPECT_EQ(dlg->enlace.conectado, 0);
  EXPECT_EQ(dlg->prog.v_de_TO, 2);
  EXPECT_EQ(dlg->prog.pendiente_RW + dlg->prog.pendiente_RDW, 0);
  EXPECT_TRUE(eventos_nuevos().empty());
  dlg->enlace.estado_oc = 9;
  dlg->ot(TIMER_RESPUESTA);
  EXPECT_EQ(eventos_nuevos(), (V{"34"}));
}

TEST_F(Programador, UnknownTimersAreStoppedAndBusyOnesDropped) {
  arranca();
  sim->SetTimer(33, 100);
  sim->run_for(100);
  EXPECT_FALSE(sim->timer_armed(33));
  EXPECT_EQ(eventos_nuevos(), (V{"T:Error ot: Timer 33 ???"}));
  dlg->prog.ot_ocupado = 1;
  dlg->ot(TIMER_CONFIGURACION);
  EXPECT_TRUE(eventos_nuevos().empty());
}

TEST_F(Programador, ConnectFailuresAreLogged) {
  arranca();
  sim->inject({.op = plat::Op::kSocket});
  EXPECT_EQ(dlg->ctw(), 0);
  sim->inject({.op = plat::Op::kConnect, .error = ENETUNREACH});
  EXPECT_EQ(dlg->ctw(), 0);
  EXPECT_EQ(eventos_nuevos(),
            (V{"92", "T:Error: ctw: " + std::to_string(ENETUNREACH) + ": No se puede conectar."}));
  EXPECT_EQ(dlg->enlace.conectado, 0);
  sim->set_connect_mode("10.0.0.7", 10001, plat::ConnectMode::kRefuse);
  EXPECT_EQ(dlg->ctw(), 1);
  sim->run_for(100);
  EXPECT_EQ(dlg->enlace.conectado, 0);  // a refusal is not forwarded
  EXPECT_TRUE(eventos_nuevos().empty());
}

TEST_F(Programador, AFailedArmingEndsTheProgram) {
  arranca();
  sim->inject({.op = plat::Op::kSetTimer, .timer = TIMER_RDW});
  EXPECT_EXIT(sim->run_for(3000), ::testing::ExitedWithCode(0), "");
  EXPECT_EQ(eventos().back(), "8");
  std::string d = archivo("Estado.txt");
  EXPECT_EQ(d.substr(d.size() - 24), "EXIT: ot: Error Timers\r\n");
  sim->clear_faults();

  sim->inject({.op = plat::Op::kSetTimer, .timer = TIMER_RW, .nth = 3});  // the re-arm after the reply
  EXPECT_EXIT(sim->run_for(4000), ::testing::ExitedWithCode(0), "");
  EXPECT_EQ(eventos().back(), "21");
  d = archivo("Estado.txt");
  EXPECT_EQ(d.substr(d.size() - 24), "EXIT: oc: Error Timers\r\n");
}

}  // namespace
