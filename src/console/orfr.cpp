// The receive notification: the bytes go to the reply handler.
#include "app/CNivaraDlg.h"
#include "foundation/gl.h"
#include "platform/platform.h"

void CNivaraDlg::orfr() {
  enlace.puntero_rx = 0;
  int n = socket_qtr.Receive(enlace.buffer_rx, static_cast<int>(sizeof enlace.buffer_rx));
  if (n == CAsyncSocket::SOCKET_ERROR) {
    gl(MSJ_ORFR_NO_RECIBE);
    cierra_enlace();
    if (plat::current().SetTimer(TIMER_CICLO, kMsInicioCiclo) == 0) gl(MSJ_ORFR_SIN_TIMER);
    limpia_enlace();
  } else {
    enlace.cantidad_rx = static_cast<uint32_t>(n);
    oc();
  }
  refresca_campos();
}
