// The scheduler's side of each console command: the one-second tick that
// re-sends what is pending, one command per tick, and the command timers.
#include "app/CNivaraDlg.h"
#include "foundation/gl.h"
#include "platform/platform.h"

namespace {

// One console command as the scheduler sees it.
struct comando {
  unsigned timer;
  int32_t estado_programador::*pendiente;
  unsigned codigo_tic;     // re-send logged by the tick while connected
  unsigned codigo_tic_nc;  // ... and while not connected
  unsigned codigo_ocupado;
  unsigned codigo_envio;
  int32_t estado;
  unsigned espera_ms;
};

// In the tick's order of service.
constexpr comando kComandos[] = {
    {TIMER_RW, &estado_programador::pendiente_RW, MSJ_TP_RW, MSJ_TP_RW_NC, MSJ_RW_PENDIENTE,
     MSJ_ENVIO_RW, WAIT_READ, kMsRespuesta},
    {TIMER_RDW, &estado_programador::pendiente_RDW, MSJ_TP_RDW, MSJ_TP_RDW_NC, MSJ_RDW_PENDIENTE,
     MSJ_ENVIO_RDW, WAIT_DESCARGAS, kMsRespuestaDescargas},
    {TIMER_PRE, &estado_programador::pendiente_PRE, MSJ_TP_PRE, MSJ_TP_PRE, MSJ_PRE_PENDIENTE,
     MSJ_ENVIO_PRE, WAIT_PROG_RELOJ, kMsRespuesta},
    {TIMER_RCW, &estado_programador::pendiente_RCW, MSJ_TP_RCW, MSJ_TP_RCW_NC, MSJ_RCW_PENDIENTE,
     MSJ_ENVIO_RCW, WAIT_READ_CALIB, kMsRespuesta},
    // PCW's busy code is RCW's: the catalogue has no "PCW pendiente_ON".
    {TIMER_PCW, &estado_programador::pendiente_PCW, MSJ_TP_PCW, MSJ_TP_PCW_NC, MSJ_RCW_PENDIENTE,
     MSJ_ENVIO_PCW, WAIT_PROG_CALIB, kMsRespuesta},
    {TIMER_PCT, &estado_programador::pendiente_PCT, MSJ_TP_PCT, MSJ_TP_PCT_NC, MSJ_PCT_PENDIENTE,
     MSJ_ENVIO_PCT, WAIT_PRINT_TURNO, kMsRespuesta},
};

// The tick's report of a command state while its reply is awaited: one code
// per named state, in their order, and one for a state with no name.
unsigned codigo_espera(int32_t estado) {
  if (estado < WAIT_READ || estado > WAIT_INTER_COMAND) return MSJ_TP_OC_DESCONOCIDO;
  return MSJ_TP_OC_WAIT_READ + static_cast<unsigned>(estado - WAIT_READ);
}

}  // namespace

void CNivaraDlg::tic() {
  if (enlace.estado_oc != 0) {
    gl(codigo_espera(enlace.estado_oc));
    return;
  }
  if (prog.v_de_TO != 0) {
    // Nothing is re-sent during the quiet period.
    if (prog.v_de_TO == 2) {
      prog.v_de_TO = 1;
      gl(MSJ_TP_V_DE_TO);
    }
    return;
  }
  for (const comando& c : kComandos) {
    if (prog.*c.pendiente == 0) continue;
    gl(enlace.conectado != 0 ? c.codigo_tic : c.codigo_tic_nc);
    prog.*c.pendiente = 0;
    arma_ot(c.timer, kMsYa);
    return;  // one flag per tick
  }
}

void CNivaraDlg::timer_comando(unsigned id) {
  const comando* c = kComandos;
  while (c->timer != id) ++c;
  plat::current().KillTimer(id);

  if (enlace.estado_oc != 0) {
    gl(c->codigo_ocupado);
    prog.*c->pendiente = 1;
    return;
  }
  if (enlace.conectado != 1) {
    ctw();
    enlace.estado_oc = WAIT_CONNECT;
    prog.*c->pendiente = 1;
    arma_ot(TIMER_RESPUESTA, kMsConexion);
    return;
  }
  switch (id) {
    case TIMER_RW:
      gl(c->codigo_envio);
      envia_RW();
      break;
    case TIMER_RDW:
      gl(c->codigo_envio);
      envia_RDW();
      break;
    case TIMER_PRE:
      gl(c->codigo_envio);
      envia_PRE();
      break;
    case TIMER_RCW:
      // The next tank with its Genera flag; none left ends the sweep.
      while (prog.tanque_rcw < kTanques && config.genera(prog.tanque_rcw) == 0) ++prog.tanque_rcw;
      if (prog.tanque_rcw >= kTanques) {
        prog.primera_lectura_calib = 0;
        cierra_enlace();
        return;
      }
      envia_RCW(static_cast<uint8_t>(prog.tanque_rcw));
      gl(c->codigo_envio);
      break;
    case TIMER_PCW:
      gl(c->codigo_envio);
      envia_PCW(prog.tanque_pcw);
      break;
    default:
      gl(c->codigo_envio);
      envia_PCT();
      break;
  }
  enlace.estado_oc = c->estado;
  arma_ot(TIMER_RESPUESTA, c->espera_ms);
}
