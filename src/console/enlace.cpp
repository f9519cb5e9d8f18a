// The link's send path and its two resets: closing the connection, and
// forgetting the reply in progress.
#include "app/CNivaraDlg.h"
#include "console/tramas.h"
#include "foundation/gl.h"
#include "foundation/resumen.h"
#include "platform/platform.h"

int CNivaraDlg::arma_prefijo(uint8_t* buffer) {
  return prefijo_trama(config.codigo_acceso(), buffer) ? 1 : 0;
}

void CNivaraDlg::envia_trama() {
  if (socket_qtr.Send(enlace.buffer_tx, static_cast<int>(enlace.largo_tx)) ==
      CAsyncSocket::SOCKET_ERROR) {
    gl(kTextoLibre, formatea("Error .Send %d", socket_qtr.GetLastError()).c_str());
    falla_envio();
  }
}

void CNivaraDlg::falla_envio() {
  cierra_enlace();
  if (plat::current().SetTimer(TIMER_CICLO, kMsInicioCiclo) == 0) gl(MSJ_TRAMA_SIN_TIMER);
  limpia_enlace();
}

void CNivaraDlg::cierra_enlace() {
  socket_qtr.Close();
  enlace.conectado = 0;
}

// Leaves the link idle, with no reply expected.
void CNivaraDlg::limpia_enlace() {
  enlace.faltan_respuesta = 0;
  enlace.puntero_respuesta = 0;
  enlace.estado_oc = 0;
}
