// The scheduler and the link in virtual time.
#include <gtest/gtest.h>

#include <map>

#include "console/tramas.h"
#include "estacion_en_linea.h"
#include "platform/plataforma.h"

namespace {

using V = std::vector<std::string>;
using pendiente = int32_t estado_programador::*;

class Programador : public EstacionEnLinea {};

TEST_F(Programador, KeepsTheSteadyRhythmOneConnectionPerCommandAndEndsTheTableSweep) {
  config.pon_genera(1, 1);
  config.pon_genera(4, 1);
  arranca();
  sim->run_for(10 * 60 * 1000);

  std::map<uint8_t, std::vector<int64_t>> ms;
  bytes tablas;  // the tanks whose tables were asked for
  for (const trama_recibida& t : consola.tramas) {
    ms[t.codigo()].push_back(t.ms);
    if (t.codigo() == CODIGO_RCW) tablas.push_back(t.b[12]);
  }
  auto separadas = [&](uint8_t codigo, size_t minimo, int64_t desde, int64_t hasta) {
    const std::vector<int64_t>& v = ms[codigo];
    EXPECT_GE(v.size(), minimo) << int{codigo};
    for (size_t i = 1; i < v.size(); ++i) {
      EXPECT_GE(v[i] - v[i - 1], desde);
      EXPECT_LE(v[i] - v[i - 1], hasta);
    }
  };
  // The first inventory a little after the 2 s cycle start, then every minute
  // (the poll's 60 s plus the wait for the connect and the tick).
  EXPECT_LT(ms[CODIGO_RW].at(0) - inicio_ms, 4000);
  separadas(CODIGO_RW, 9, 60000, 62000);
  separadas(CODIGO_RDW, 4, 120000, 122000);
  // The two flagged tanks' tables, a few seconds apart, once.
  separadas(CODIGO_RCW, 2, 3000, 5000);
  EXPECT_EQ(tablas, (bytes{1, 4}));
  // One frame per connection, and each link closed after its reply.
  for (size_t i = 0; i < consola.tramas.size(); ++i) EXPECT_EQ(consola.tramas[i].conexion, static_cast<int>(i + 1));
  EXPECT_EQ(consola.conexiones, static_cast<int>(consola.tramas.size()));
  EXPECT_EQ(dlg->enlace.conectado, 0);

  // The sweep is over until the configuration is read again; then, with no
  // flagged tank, the first RCW that finds the link up ends it at once. The
  // re-read makes the null call when the store cannot be read.
  EXPECT_EQ(dlg->prog.primera_lectura_calib, 0);
  dlg->ot(TIMER_CICLO);
  EXPECT_FALSE(sim->timer_armed(TIMER_RCW));
  escribe_archivo(ruta("tnq.ini"), archivo_tnq(configuracion_ejemplo()));
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
  EXPECT_EQ(cuenta(CODIGO_RCW), 2);
  EXPECT_EQ(dlg->enlace.conectado, 0);
}

TEST_F(Programador, ACommandDueDuringAnotherWaitsForTheTick) {
  arranca();
  sim->run_for(3500);
  // Cycle start; the connect made, the tick re-sends; the send; the reply.
  EXPECT_EQ(eventos_nuevos(), (V{ev(MSJ_TLS), ev(MSJ_TP_RW), ev(MSJ_ENVIO_RW), ev(MSJ_STOCK)}));
  consola.demora_ms = 2000;  // the deliveries' reply is slow
  dlg->ot(TIMER_RDW);        // deliveries now: connect, then send at the next tick
  sim->run_for(1500);
  ASSERT_EQ(dlg->enlace.estado_oc, WAIT_DESCARGAS);
  dlg->ot(TIMER_RW);  // falls due while the deliveries are awaited
  EXPECT_EQ(dlg->prog.pendiente_RW, 1);
  // The RCW of the cycle start also fell due meanwhile.
  EXPECT_EQ(eventos_nuevos(), (V{ev(MSJ_TP_RDW), ev(MSJ_ENVIO_RDW), ev(MSJ_RCW_PENDIENTE),
                                 ev(MSJ_TP_OC_WAIT_READ + 1), ev(MSJ_RW_PENDIENTE)}));
  sim->run_for(3200);
  // The reply closed the link; the tick re-armed RW, which opened a new one.
  const V e = eventos_nuevos();
  EXPECT_EQ(veces(e, ev(MSJ_DESCARGAS)), 1);
  EXPECT_EQ(veces(e, ev(MSJ_TP_RW_NC)), 1);
  EXPECT_EQ(consola.tramas.back().codigo(), CODIGO_RW);
  EXPECT_EQ(consola.tramas.back().conexion, consola.conexiones);
}

TEST_F(Programador, TheTickServesOneFlagPerSecondInOrder) {
  arranca();
  dlg->prog = estado_programador{};
  dlg->prog.tanque_rcw = 16;
  for (unsigned id : {TIMER_CICLO, TIMER_RW, TIMER_RDW}) sim->KillTimer(id);
  // In the order of service: the flag, the tick's codes unconnected and
  // connected, and the command's when its timer finds another awaited.
  const struct {
    pendiente flag;
    unsigned nc, c, ocupado;
  } orden[] = {
      {&estado_programador::pendiente_RW, MSJ_TP_RW_NC, MSJ_TP_RW, MSJ_RW_PENDIENTE},
      {&estado_programador::pendiente_RDW, MSJ_TP_RDW_NC, MSJ_TP_RDW, MSJ_RDW_PENDIENTE},
      {&estado_programador::pendiente_PRE, MSJ_TP_PRE, MSJ_TP_PRE, MSJ_PRE_PENDIENTE},
      {&estado_programador::pendiente_RCW, MSJ_TP_RCW_NC, MSJ_TP_RCW, MSJ_RCW_PENDIENTE},
      {&estado_programador::pendiente_PCW, MSJ_TP_PCW_NC, MSJ_TP_PCW, MSJ_RCW_PENDIENTE},
      {&estado_programador::pendiente_PCT, MSJ_TP_PCT_NC, MSJ_TP_PCT, MSJ_PCT_PENDIENTE},
  };
  for (const auto& c : orden) dlg->prog.*c.flag = 1;
  for (const auto& c : orden) {
    dlg->tic();
    EXPECT_EQ(eventos_nuevos(), V{ev(c.nc)});
  }
  // Each command falls due 50 ms later; while a reply is awaited it is put
  // back for the tick, which, connected, logs it with its other code.
  dlg->enlace.estado_oc = WAIT_READ;
  sim->run_for(kMsYa);
  V ocupados;
  for (const auto& c : orden) ocupados.push_back(ev(c.ocupado));
  EXPECT_EQ(eventos_nuevos(), ocupados);
  dlg->enlace.estado_oc = 0;
  dlg->enlace.conectado = 1;
  for (const auto& c : orden) {
    dlg->tic();
    EXPECT_EQ(eventos_nuevos(), V{ev(c.c)});
  }
  // While a reply is awaited the tick only reports the state, named or not.
  for (int32_t estado = WAIT_READ; estado <= 9; ++estado) {
    dlg->enlace.estado_oc = estado;
    dlg->tic();
    EXPECT_EQ(eventos_nuevos(), V{ev(estado <= WAIT_INTER_COMAND ? MSJ_TP_OC_WAIT_READ + estado - 1
                                                                 : MSJ_TP_OC_DESCONOCIDO)});
  }
}

TEST_F(Programador, EachCommandTimedOutIsPendingAgainAndSentAfterTheQuietPeriod) {
  const struct {
    pendiente flag;
    uint8_t codigo;
    V envio;        // from the first tick to the send
    unsigned espera;  // logged each second while the reply is awaited
    unsigned ms;
  } casos[] = {
      // The console closes on the inventory command instead of replying.
      {&estado_programador::pendiente_RW, CODIGO_RW,
       {ev(MSJ_TP_RW_NC), ev(MSJ_TP_RW), ev(MSJ_ENVIO_RW), ev(MSJ_CCC)}, MSJ_TP_OC_WAIT_READ, kMsRespuesta},
      {&estado_programador::pendiente_RDW, CODIGO_RDW, {ev(MSJ_TP_RDW_NC), ev(MSJ_TP_RDW), ev(MSJ_ENVIO_RDW)},
       MSJ_TP_OC_WAIT_READ + 1, kMsRespuestaDescargas},
      {&estado_programador::pendiente_PRE, CODIGO_PRE, {ev(MSJ_TP_PRE), ev(MSJ_TP_PRE), ev(MSJ_ENVIO_PRE), ev(MSJ_RELOJ)},
       MSJ_TP_OC_WAIT_READ + 2, kMsRespuesta},
      {&estado_programador::pendiente_RCW, CODIGO_RCW, {ev(MSJ_TP_RCW_NC), ev(MSJ_TP_RCW), ev(MSJ_ENVIO_RCW)},
       MSJ_TP_OC_WAIT_READ + 3, kMsRespuesta},
      {&estado_programador::pendiente_PCW, CODIGO_PCW, {ev(MSJ_TP_PCW_NC), ev(MSJ_TP_PCW), ev(MSJ_ENVIO_PCW)},
       MSJ_TP_OC_WAIT_READ + 4, kMsRespuesta},
      {&estado_programador::pendiente_PCT, CODIGO_PCT, {ev(MSJ_TP_PCT_NC), ev(MSJ_TP_PCT), ev(MSJ_ENVIO_PCT)},
       MSJ_TP_OC_WAIT_READ + 5, kMsRespuesta},
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(c.envio.back());
    for (unsigned id = TIMER_CICLO; id <= TIMER_PCT; ++id) sim->KillTimer(id);
    consola = {};
    consola.modo = c.codigo == CODIGO_RW ? ConsolaPrueba::Modo::kCierra : ConsolaPrueba::Modo::kCalla;
    arranca();
    sim->KillTimer(TIMER_CICLO);  // only this command goes out
    dlg->config.pon_genera(0, 1);
    dlg->prog.tanque_pcw = 0;
    dlg->prog.*c.flag = 1;
    // A tick to connect, one to send, the wait, and the quiet period's tick.
    sim->run_for(2 * kMsTic + c.ms + kMsTic);
    V esperado = c.envio;
    esperado.insert(esperado.end(), c.ms / kMsTic, ev(c.espera));
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
    EXPECT_EQ(cuenta(c.codigo), 1);
    sim->run_for(4 * kMsTic);
    EXPECT_EQ(cuenta(c.codigo), 2);
    EXPECT_EQ(consola.tramas.back().conexion, 2);
  }
}

TEST_F(Programador, AnUnreachableConsoleIsTriedAboutEvery20Seconds) {
  sim->set_connect_mode("10.0.0.7", 10001, plat::ConnectMode::kSilent);
  arranca();
  sim->run_for(2100);
  EXPECT_EQ(dlg->enlace.estado_oc, WAIT_CONNECT);
  EXPECT_EQ(eventos_nuevos(), (V{ev(MSJ_TLS)}));
  sim->run_for(kMsConexion);
  V e = eventos_nuevos();
  EXPECT_EQ(veces(e, ev(MSJ_SIN_CONEXION_QTR)), 1);
  EXPECT_EQ(veces(e, ev(MSJ_TO)), 0);
  EXPECT_EQ(veces(e, ev(MSJ_TP_OC_WAIT_READ + 6)), 4);  // one per second while connecting
  EXPECT_EQ(dlg->prog.pendiente_RW, 1);
  EXPECT_EQ(dlg->prog.v_de_TO, 2);
  // Ten minutes: about one attempt every 20 s (RDW falls due once meanwhile).
  sim->run_for(10 * 60 * 1000);
  e = eventos_nuevos();
  const long intentos = veces(e, ev(MSJ_SIN_CONEXION_QTR));
  EXPECT_GE(intentos, 27);
  EXPECT_LE(intentos, 31);
  EXPECT_EQ(consola.conexiones, 0);
  // Each time-out's quiet period is reported once (the first one's here too).
  EXPECT_EQ(veces(e, ev(MSJ_TP_V_DE_TO)), intentos + 1);
}

TEST_F(Programador, SendAndReceiveFailuresRestartTheCycleIn2Seconds) {
  arranca();
  sim->inject({.op = plat::Op::kSend});
  sim->run_for(3100);
  EXPECT_EQ(eventos_nuevos().back().rfind("T:Error .Send ", 0), 0u);
  EXPECT_EQ(dlg->enlace.conectado, 0);
  unsigned periodo = 0;
  EXPECT_TRUE(sim->timer_armed(TIMER_CICLO, &periodo));
  EXPECT_EQ(periodo, kMsInicioCiclo);
  sim->run_for(kMsInicioCiclo);
  EXPECT_EQ(veces(eventos_nuevos(), ev(MSJ_TLS)), 1);

  sim->inject({.op = plat::Op::kReceive});
  sim->run_for(1100);
  EXPECT_EQ(veces(eventos_nuevos(), ev(MSJ_ORFR_NO_RECIBE)), 1);
  EXPECT_TRUE(sim->timer_armed(TIMER_CICLO));
  EXPECT_EQ(dlg->enlace.estado_oc, 0);
  EXPECT_EQ(dlg->enlace.conectado, 0);

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
  EXPECT_EQ(eventos_nuevos(), (V{ev(MSJ_TO), "T:Error ot: Timer 33 ???", ev(MSJ_CTW_SIN_SOCKET),
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
  const struct {
    unsigned timer;
    int nth;
    unsigned codigo;
    std::string linea;
  } casos[] = {{TIMER_RDW, 1, MSJ_EXIT_OT_TIMERS, "EXIT: ot: Error Timers\r\n"},
               {TIMER_RW, 3, MSJ_EXIT_OC_TIMERS, "EXIT: oc: Error Timers\r\n"}};  // the re-arm after the reply
  for (const auto& c : casos) {
    sim->inject({.op = plat::Op::kSetTimer, .timer = c.timer, .nth = c.nth});
    EXPECT_EXIT(sim->run_for(4000), ::testing::ExitedWithCode(0), "");
    sim->clear_faults();
    EXPECT_EQ(eventos().back(), ev(c.codigo));
    const std::string d = archivo("Estado.txt");
    EXPECT_EQ(d.substr(d.size() - c.linea.size()), c.linea);
  }
}

}  // namespace
