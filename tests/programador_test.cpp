// The scheduler and the link in virtual time.
#include <gtest/gtest.h>

#include <tuple>

#include "estacion_en_linea.h"

namespace {

using V = std::vector<std::string>;
using qtr10::Clase;
using E = estado_programador;

class Programador : public EstacionEnLinea {};

// Each command as the scheduler reports it, in the tick's order (that of
// their states): its flag, its frame, the tick's codes connected and not,
// and the timer's when another reply is awaited and when it sends.
const struct comando {
  int32_t E::*flag;
  Clase clase;
  unsigned tic, tic_nc, ocupado, envio;
} kComandos[] = {
    {&E::pendiente_RW, Clase::kRW, MSJ_TP_RW, MSJ_TP_RW_NC, MSJ_RW_PENDIENTE, MSJ_ENVIO_RW},
    {&E::pendiente_RDW, Clase::kRDW, MSJ_TP_RDW, MSJ_TP_RDW_NC, MSJ_RDW_PENDIENTE, MSJ_ENVIO_RDW},
    {&E::pendiente_PRE, Clase::kPRE, MSJ_TP_PRE, MSJ_TP_PRE, MSJ_PRE_PENDIENTE, MSJ_ENVIO_PRE},
    {&E::pendiente_RCW, Clase::kRCW, MSJ_TP_RCW, MSJ_TP_RCW_NC, MSJ_RCW_PENDIENTE, MSJ_ENVIO_RCW},
    {&E::pendiente_PCW, Clase::kPCW, MSJ_TP_PCW, MSJ_TP_PCW_NC, MSJ_RCW_PENDIENTE, MSJ_ENVIO_PCW},
    {&E::pendiente_PCT, Clase::kPCT, MSJ_TP_PCT, MSJ_TP_PCT_NC, MSJ_PCT_PENDIENTE, MSJ_ENVIO_PCT},
};

// The rhythm of the polls and of the first table sweep is checked by the
// station test (estacion_test.cpp).
TEST_F(Programador, TheTableSweepEndsUntilTheConfigurationIsReadAgain) {
  // With no flagged tank, the first RCW that finds the link up ends the sweep.
  arranca();
  sim->run_for(kMsInicioCiclo + kMsEntreTablas + 2 * kMsTic);
  EXPECT_EQ(veces(eventos_nuevos(), ev(MSJ_TP_RCW)), 1);
  EXPECT_EQ(dlg->prog.primera_lectura_calib, 0);
  EXPECT_EQ(dlg->prog.tanque_rcw, 16);
  EXPECT_EQ(dlg->enlace.conectado, 0);
  dlg->ot(TIMER_CICLO);
  EXPECT_FALSE(sim->timer_armed(TIMER_RCW));
  // The re-read starts one again, and makes the null call when the store
  // cannot be read.
  eventos_nuevos();
  sim->inject({.op = plat::Op::kOpen, .path = "qtrs.nvr"});
  dlg->ot(TIMER_CONFIGURACION);
  EXPECT_EQ(dlg->prog.tanque_rcw, 0);
  const V e = eventos_nuevos();
  EXPECT_EQ(e.front(), ev(MSJ_OT_LEE_TNQ));
  EXPECT_EQ(veces(e, ev(MSJ_GENERA_SINCRO)), 1);
  sim->run_for(kMsInicioCiclo + kMsEntreTablas + 2 * kMsTic);
  EXPECT_EQ(veces(eventos_nuevos(), ev(MSJ_TP_RCW)), 1);
  EXPECT_EQ(dlg->prog.tanque_rcw, 16);
  EXPECT_EQ(consola->cuenta(Clase::kRCW), 0);
}

TEST_F(Programador, TheTickServesOneFlagPerSecondInOrder) {
  arranca();
  dlg->prog = estado_programador{};
  dlg->prog.tanque_rcw = 16;
  for (unsigned id : {TIMER_CICLO, TIMER_RW, TIMER_RDW}) sim->KillTimer(id);
  for (const comando& c : kComandos) dlg->prog.*c.flag = 1;
  for (const comando& c : kComandos) {
    dlg->tic();
    EXPECT_EQ(eventos_nuevos(), V{ev(c.tic_nc)});
  }
  // Each command falls due 50 ms later; while a reply is awaited it is put
  // back for the tick.
  dlg->enlace.estado_oc = WAIT_READ;
  sim->run_for(kMsYa);
  V ocupados;
  for (const comando& c : kComandos) ocupados.push_back(ev(c.ocupado));
  EXPECT_EQ(eventos_nuevos(), ocupados);
  // While a reply is awaited the tick only reports the state, named or not
  // (connected, each command's tick code is checked with its time-out).
  for (int32_t estado = WAIT_READ; estado <= 9; ++estado) {
    dlg->enlace.estado_oc = estado;
    dlg->tic();
    EXPECT_EQ(eventos_nuevos(), V{ev(estado <= WAIT_INTER_COMAND ? MSJ_TP_OC_WAIT_READ + estado - 1
                                                                 : MSJ_TP_OC_DESCONOCIDO)});
  }
}

TEST_F(Programador, EachCommandTimedOutIsPendingAgainAndSentAfterTheQuietPeriod) {
  arranca();
  dlg->config.pon_genera(0, 1);
  for (const comando& c : kComandos) {
    SCOPED_TRACE(c.envio);
    // Only this command goes out, from an idle and closed link; the console
    // closes on the inventory command and is silent to the others.
    for (unsigned id = TIMER_CICLO; id <= TIMER_PCT; ++id) {
      if (id != TIMER_TIC) sim->KillTimer(id);
    }
    dlg->cierra_enlace();
    dlg->limpia_enlace();
    dlg->prog = estado_programador{.tanque_pcw = 0};
    consola->fallos().cierre_antes = c.clase == Clase::kRW;
    consola->fallos().silencio = c.clase != Clase::kRW;
    const int conexiones = consola->conexiones();
    eventos_nuevos();
    dlg->prog.*c.flag = 1;
    // A tick to connect, one to send, the wait, and the quiet period's tick.
    const unsigned espera = c.clase == Clase::kRDW ? kMsRespuestaDescargas : kMsRespuesta;
    sim->run_for(2 * kMsTic + espera + kMsTic);
    V esperado = {ev(c.tic_nc), ev(c.tic), ev(c.envio)};
    if (c.clase == Clase::kPRE) esperado.push_back(ev(MSJ_RELOJ));
    if (c.clase == Clase::kRW) esperado.push_back(ev(MSJ_CCC));
    esperado.insert(esperado.end(), espera / kMsTic, ev(MSJ_TP_OC_WAIT_READ + (&c - kComandos)));
    esperado.push_back(ev(MSJ_TP_V_DE_TO));
    EXPECT_EQ(eventos_nuevos(), esperado);
    EXPECT_EQ(dlg->prog.*c.flag, 1);
    EXPECT_EQ(dlg->enlace.estado_oc, 0);
    EXPECT_EQ(dlg->enlace.conectado, 0);
    unsigned periodo = 0;
    EXPECT_TRUE(sim->timer_armed(TIMER_SILENCIO, &periodo));
    EXPECT_EQ(periodo, kMsSilencio);
    // Nothing goes out again before the quiet period ends; then a new
    // connection carries it.
    sim->run_for(kMsSilencio - 2 * kMsTic);
    EXPECT_EQ(consola->cuenta(c.clase), 1);
    sim->run_for(4 * kMsTic);
    EXPECT_EQ(consola->cuenta(c.clase), 2);
    EXPECT_EQ(consola->conexiones(), conexiones + 2);
  }
}

TEST_F(Programador, AnUnreachableConsoleIsTriedAboutEvery20Seconds) {
  arranca();
  sim->set_connect_mode("10.0.0.7", 10001, plat::ConnectMode::kSilent);
  // Ten minutes: about one attempt every 20 s (RDW falls due once meanwhile),
  // each logged once a second for 4 s, then given up without a "TO ???".
  sim->run_for(10 * 60 * 1000);
  const V e = eventos_nuevos();
  const long intentos = veces(e, ev(MSJ_SIN_CONEXION_QTR));
  EXPECT_GE(intentos, 27);
  EXPECT_LE(intentos, 31);
  EXPECT_EQ(veces(e, ev(MSJ_TP_OC_WAIT_READ + 6)), 4 * intentos);
  EXPECT_EQ(veces(e, ev(MSJ_TO)), 0);
  EXPECT_EQ(veces(e, ev(MSJ_TP_V_DE_TO)), intentos);
  EXPECT_EQ(dlg->prog.pendiente_RW, 1);
  EXPECT_EQ(consola->conexiones(), 0);
}

TEST_F(Programador, SendAndReceiveFailuresRestartTheCycleIn2Seconds) {
  arranca();
  sim->inject({.op = plat::Op::kSend});
  sim->run_for(3100);
  EXPECT_EQ(eventos_nuevos().back().rfind("T:Error .Send ", 0), 0u);
  unsigned periodo = 0;
  EXPECT_TRUE(sim->timer_armed(TIMER_CICLO, &periodo));
  EXPECT_EQ(periodo, kMsInicioCiclo);
  sim->run_for(kMsInicioCiclo);
  EXPECT_EQ(veces(eventos_nuevos(), ev(MSJ_TLS)), 1);

  sim->inject({.op = plat::Op::kReceive});
  sim->run_for(1100);
  EXPECT_EQ(veces(eventos_nuevos(), ev(MSJ_ORFR_NO_RECIBE)), 1);
  EXPECT_TRUE(sim->timer_armed(TIMER_CICLO));
  EXPECT_EQ(dlg->enlace.estado_oc + dlg->enlace.conectado, 0);

  // A cycle timer that cannot be armed again is only logged.
  sim->inject({.op = plat::Op::kSend});
  sim->inject({.op = plat::Op::kSetTimer, .timer = TIMER_CICLO});
  sim->run_for(3100);
  EXPECT_EQ(eventos_nuevos().back(), ev(MSJ_TRAMA_SIN_TIMER));
  EXPECT_FALSE(sim->timer_armed(TIMER_CICLO));
  dlg->enlace.conectado = 1;
  sim->inject({.op = plat::Op::kReceive});
  sim->inject({.op = plat::Op::kSetTimer, .timer = TIMER_CICLO});
  dlg->orfr();
  EXPECT_EQ(eventos_nuevos(), (V{ev(MSJ_ORFR_NO_RECIBE), ev(MSJ_ORFR_SIN_TIMER)}));
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
  EXPECT_EQ(eventos_nuevos(),
            (V{ev(MSJ_TO), "T:Error ot: Timer 33 ???", ev(MSJ_CTW_SIN_SOCKET),
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
  // The second: the re-arm after the reply.
  const std::tuple<unsigned, int, unsigned, std::string> casos[] = {
      {TIMER_RDW, 1, MSJ_EXIT_OT_TIMERS, "EXIT: ot: Error Timers\r\n"},
      {TIMER_RW, 3, MSJ_EXIT_OC_TIMERS, "EXIT: oc: Error Timers\r\n"}};
  for (const auto& [timer, nth, codigo, linea] : casos) {
    sim->inject({.op = plat::Op::kSetTimer, .timer = timer, .nth = nth});
    EXPECT_EXIT(sim->run_for(4000), ::testing::ExitedWithCode(0), "");
    sim->clear_faults();
    EXPECT_EQ(eventos().back(), ev(codigo));
    EXPECT_TRUE(archivo("Estado.txt").ends_with(linea));
  }
}

}  // namespace
