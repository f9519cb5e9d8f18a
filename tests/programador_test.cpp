// The scheduler and the link in virtual time.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "console/tramas.h"
#include "estacion_en_linea.h"
#include "platform/plataforma.h"

namespace {

using V = std::vector<std::string>;

long veces(const V& v, const std::string& x) { return std::count(v.begin(), v.end(), x); }

class Programador : public EstacionEnLinea {};

TEST_F(Programador, KeepsTheSteadyRhythmOneConnectionPerCommand) {
  config.pon_genera(1, 1);
  config.pon_genera(4, 1);
  arranca();
  sim->run_for(10 * 60 * 1000);

  std::map<uint8_t, std::vector<const trama_recibida*>> de;
  for (const trama_recibida& t : consola.tramas) de[t.codigo()].push_back(&t);
  const auto &rw = de[CODIGO_RW], &rdw = de[CODIGO_RDW], &rcw = de[CODIGO_RCW];
  auto separadas = [](const std::vector<const trama_recibida*>& v, int64_t desde, int64_t hasta) {
    for (size_t i = 1; i < v.size(); ++i) {
      EXPECT_GE(v[i]->ms - v[i - 1]->ms, desde);
      EXPECT_LE(v[i]->ms - v[i - 1]->ms, hasta);
    }
  };
  // The first inventory a little after the 2 s cycle start, then every minute
  // (the poll's 60 s plus the wait for the connect and the tick).
  ASSERT_GE(rw.size(), 9u);
  EXPECT_LT(rw[0]->ms - inicio_ms, 4000);
  separadas(rw, 60000, 62000);
  ASSERT_GE(rdw.size(), 4u);
  separadas(rdw, 120000, 122000);
  // The two flagged tanks' tables, a few seconds apart, once.
  ASSERT_EQ(rcw.size(), 2u);
  EXPECT_EQ(rcw[0]->bytes[12], 1);  // the first flagged tank, zero-based
  separadas(rcw, 3000, 5000);
  // One frame per connection, and each link closed after its reply.
  EXPECT_EQ(consola.conexiones, static_cast<int>(consola.tramas.size()));
  for (size_t i = 0; i < consola.tramas.size(); ++i) EXPECT_EQ(consola.tramas[i].conexion, static_cast<int>(i + 1));
  EXPECT_EQ(dlg->enlace.conectado, 0);
}

TEST_F(Programador, ACommandDueDuringAnotherWaitsForTheTick) {
  arranca();
  sim->run_for(3500);
  // Cycle start; the connect made, the tick re-sends; the send; the reply.
  EXPECT_EQ(eventos_nuevos(), (V{"35", "7", "9", "12"}));
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
  EXPECT_EQ(veces(e, "36"), 1);
  EXPECT_EQ(veces(e, "6"), 1);
  EXPECT_EQ(codigos().back(), CODIGO_RW);
  EXPECT_EQ(consola.tramas.back().conexion, consola.conexiones);
}

TEST_F(Programador, TheTickServesOneFlagPerSecondInOrder) {
  arranca();
  dlg->prog = estado_programador{};
  dlg->prog.tanque_rcw = 16;
  // Keep the commands themselves from running: only the tick's choices count.
  for (unsigned id : {10u, 11u, 12u, 13u, 17u, 18u, 21u}) sim->KillTimer(id);
  dlg->prog.pendiente_RW = dlg->prog.pendiente_RDW = dlg->prog.pendiente_PRE = 1;
  dlg->prog.pendiente_RCW = dlg->prog.pendiente_PCW = dlg->prog.pendiente_PCT = 1;
  for (int i = 0; i < 6; ++i) dlg->tic();
  EXPECT_EQ(eventos_nuevos(), (V{"6", "31", "28", "117", "169", "167"}));
  // Each command falls due 50 ms later; while a reply is awaited, it waits
  // for the tick ...
  dlg->enlace.estado_oc = WAIT_READ;
  sim->run_for(50);
  EXPECT_EQ(eventos_nuevos(), (V{"37", "29", "39", "114", "114", "115"}));
  // ... which, connected, logs them with their other codes.
  dlg->enlace.estado_oc = 0;
  dlg->enlace.conectado = 1;
  for (int i = 0; i < 6; ++i) dlg->tic();
  EXPECT_EQ(eventos_nuevos(), (V{"7", "33", "28", "118", "170", "168"}));
  // While a reply is awaited the tick only reports the wait.
  for (int32_t estado : {3, 4, 5, 6, 7, 8, 9}) {
    dlg->enlace.estado_oc = estado;
    dlg->tic();
  }
  EXPECT_EQ(eventos_nuevos(), (V{"207", "208", "209", "210", "211", "212", "213"}));
}

TEST_F(Programador, AnUnreachableConsoleIsTriedAboutEvery20Seconds) {
  sim->set_connect_mode("10.0.0.7", 10001, plat::ConnectMode::kSilent);
  arranca();
  sim->run_for(2100);
  EXPECT_EQ(dlg->enlace.estado_oc, WAIT_CONNECT);
  EXPECT_EQ(eventos_nuevos(), (V{"35"}));
  sim->run_for(4000);  // 4 s after the connect started
  V e = eventos_nuevos();
  EXPECT_EQ(veces(e, "192"), 1);
  EXPECT_EQ(veces(e, "34"), 0);
  EXPECT_EQ(veces(e, "211"), 4);  // one per second while waiting
  EXPECT_EQ(dlg->prog.pendiente_RW, 1);
  EXPECT_EQ(dlg->prog.v_de_TO, 2);
  // Ten minutes: about one attempt every 20 s (RDW falls due once meanwhile).
  sim->run_for(10 * 60 * 1000);
  e = eventos_nuevos();
  long intentos = veces(e, "192");
  EXPECT_GE(intentos, 27);
  EXPECT_LE(intentos, 31);
  EXPECT_EQ(consola.conexiones, 0);
  // Each time-out's quiet period is reported once (the first one's here too).
  EXPECT_EQ(veces(e, "201"), intentos + 1);
}

TEST_F(Programador, AnUnansweredCommandTimesOutAndIsSentAgainAfterTheQuietPeriod) {
  consola.modo = ConsolaPrueba::Modo::kCierra;
  arranca();
  sim->run_for(3200);  // RW sent at about 3.05 s, the link closed instead of a reply
  EXPECT_EQ(eventos_nuevos(), (V{"35", "7", "9", "5"}));
  EXPECT_EQ(dlg->enlace.conectado, 0);
  EXPECT_EQ(dlg->enlace.estado_oc, WAIT_READ);  // the close leaves the wait to the time-out
  sim->run_for(3000);
  EXPECT_EQ(veces(eventos_nuevos(), "205"), 3);
  EXPECT_EQ(dlg->enlace.estado_oc, 0);
  EXPECT_EQ(dlg->prog.pendiente_RW, 1);
  consola.modo = ConsolaPrueba::Modo::kContesta;
  sim->run_for(17000);
  EXPECT_EQ(cuenta(CODIGO_RW), 2);
  EXPECT_EQ(dlg->prog.pendiente_RW, 0);
}

TEST_F(Programador, SendAndReceiveFailuresRestartTheCycleIn2Seconds) {
  arranca();
  sim->inject({.op = plat::Op::kSend});
  sim->run_for(3100);
  EXPECT_EQ(eventos_nuevos().back().rfind("T:Error .Send ", 0), 0u);
  EXPECT_EQ(dlg->enlace.conectado, 0);
  unsigned periodo = 0;
  EXPECT_TRUE(sim->timer_armed(TIMER_CICLO, &periodo));
  EXPECT_EQ(periodo, 2000u);
  sim->run_for(2000);
  EXPECT_EQ(veces(eventos_nuevos(), "35"), 1);

  sim->inject({.op = plat::Op::kReceive});
  sim->run_for(1100);
  EXPECT_EQ(veces(eventos_nuevos(), "4"), 1);
  EXPECT_TRUE(sim->timer_armed(TIMER_CICLO));
  EXPECT_EQ(dlg->enlace.estado_oc, 0);
  EXPECT_EQ(dlg->enlace.conectado, 0);

  // A cycle timer that cannot be armed again is only logged.
  sim->inject({.op = plat::Op::kSend});
  sim->inject({.op = plat::Op::kSetTimer, .timer = TIMER_CICLO});
  sim->run_for(3100);
  EXPECT_EQ(eventos_nuevos().back(), "2");
  EXPECT_FALSE(sim->timer_armed(TIMER_CICLO));
  dlg->enlace.conectado = 1;
  sim->inject({.op = plat::Op::kReceive});
  sim->inject({.op = plat::Op::kSetTimer, .timer = TIMER_CICLO});
  dlg->orfr();
  EXPECT_EQ(eventos_nuevos(), (V{"4", "3"}));
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
  // The configuration re-read starts a new sweep, and makes the null call
  // when the store cannot be read.
  eventos_nuevos();
  sim->inject({.op = plat::Op::kOpen, .path = "qtrs.nvr"});
  dlg->ot(TIMER_CONFIGURACION);
  EXPECT_EQ(dlg->prog.tanque_rcw, 0);
  V e = eventos_nuevos();
  EXPECT_EQ(e.front(), "180");
  EXPECT_EQ(veces(e, "94"), 1);
  sim->run_for(2100);
  EXPECT_TRUE(sim->timer_armed(TIMER_RCW));
}

TEST_F(Programador, StrayTimeOutsUnknownTimersAndFailedConnectsAreOnlyLogged) {
  arranca();
  sim->KillTimer(TIMER_CICLO);
  dlg->ctw();
  sim->run_for(10);
  ASSERT_EQ(dlg->enlace.conectado, 1);
  dlg->ot(TIMER_RESPUESTA);  // nothing awaited: the link closes, the quiet period starts
  EXPECT_EQ(dlg->enlace.conectado, 0);
  EXPECT_EQ(dlg->prog.v_de_TO, 2);
  EXPECT_EQ(dlg->prog.pendiente_RW + dlg->prog.pendiente_RDW, 0);
  EXPECT_TRUE(eventos_nuevos().empty());
  dlg->enlace.estado_oc = 9;  // a state no command sets
  dlg->ot(TIMER_RESPUESTA);
  sim->SetTimer(33, 100);
  sim->run_for(100);
  EXPECT_FALSE(sim->timer_armed(33));
  sim->inject({.op = plat::Op::kSocket});
  EXPECT_EQ(dlg->ctw(), 0);
  sim->inject({.op = plat::Op::kConnect, .error = ENETUNREACH});
  EXPECT_EQ(dlg->ctw(), 0);
  EXPECT_EQ(eventos_nuevos(), (V{"34", "T:Error ot: Timer 33 ???", "92",
                                 "T:Error: ctw: " + std::to_string(ENETUNREACH) + ": No se puede conectar."}));
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
