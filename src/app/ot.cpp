// The timer handler: every piece of periodic work starts here.
#include "app/CNivaraDlg.h"
#include "foundation/afe.h"
#include "foundation/gl.h"
#include "foundation/resumen.h"
#include "platform/platform.h"

void CNivaraDlg::arma(unsigned id, unsigned ms, unsigned codigo, const char* linea) {
  if (plat::current().SetTimer(id, ms) == 0) sale(codigo, linea);
}

void CNivaraDlg::ot(unsigned id) {
  // A timer message that arrives while the handler runs is dropped.
  if (prog.ot_ocupado != 0) return;
  prog.ot_ocupado = 1;
  switch (id) {
    case TIMER_TIC: tic(); break;
    case TIMER_RESPUESTA: tiempo_agotado(); break;
    case TIMER_CICLO: inicio_ciclo(); break;
    case TIMER_SILENCIO: fin_silencio(); break;
    case TIMER_RW:
    case TIMER_RDW:
    case TIMER_PRE:
    case TIMER_RCW:
    case TIMER_PCW:
    case TIMER_PCT: timer_comando(id); break;
    case TIMER_VENTAS:
      gl(MSJ_LFV);
      lfv();
      refresca_campos();
      break;
    case TIMER_CONFIGURACION: relee_configuracion(); break;
    default:
      plat::current().KillTimer(id);
      gl(kTextoLibre, formatea("Error ot: Timer %u ???", id).c_str());
      break;
  }
  prog.ot_ocupado = 0;
}

void CNivaraDlg::tiempo_agotado() {
  plat::current().KillTimer(TIMER_RESPUESTA);
  cierra_enlace();
  arma_ot(TIMER_SILENCIO, kMsSilencio);
  prog.v_de_TO = 2;
  int32_t* pendientes[] = {&prog.pendiente_RW,  &prog.pendiente_RDW, &prog.pendiente_PRE,
                           &prog.pendiente_RCW, &prog.pendiente_PCW, &prog.pendiente_PCT};
  const int32_t estado = enlace.estado_oc;
  if (estado == WAIT_CONNECT) {
    gl(MSJ_SIN_CONEXION_QTR);  // the command's flag, raised when the connect started, stays up
  } else if (estado >= WAIT_READ && estado <= WAIT_PRINT_TURNO) {
    *pendientes[estado - WAIT_READ] = 1;
  } else if (estado != 0) {
    gl(MSJ_TO);
  }
  limpia_enlace();
}

void CNivaraDlg::inicio_ciclo() {
  gl(MSJ_TLS);
  plat::current().KillTimer(TIMER_CICLO);
  arma_ot(TIMER_RDW, kMsSondeoDescargas);
  arma_ot(TIMER_RW, kMsYa);
  if (prog.tanque_rcw < kTanques) arma_ot(TIMER_RCW, kMsEntreTablas);
  limpia_enlace();
}

void CNivaraDlg::fin_silencio() {
  plat::current().KillTimer(TIMER_SILENCIO);
  prog.v_de_TO = 0;
}

void CNivaraDlg::relee_configuracion() {
  gl(MSJ_OT_LEE_TNQ);
  lc();
  if (!sus()) {
    gl(MSJ_GENERA_SINCRO);
    afs(SUCESO_NULO, 0);
  }
  prog.tanque_rcw = 0;
  arma_ot(TIMER_CICLO, kMsInicioCiclo);
  refresca_campos();
}
