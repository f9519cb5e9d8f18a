// Opening the connection to the console, and the connect and close
// notifications.
#include <cerrno>

#include "app/CNivaraDlg.h"
#include "foundation/gl.h"
#include "foundation/resumen.h"

int CNivaraDlg::ctw() {
  socket_qtr.Close();
  socket_qtr.dueno = this;
  socket_qtr.etiqueta = CConsoleSocket::kEtiquetaDueno;
  if (!socket_qtr.Create()) {
    gl(MSJ_CTW_SIN_SOCKET);
    return 0;
  }
  std::string direccion =
      formatea("%d.%d.%d.%d", config.ip(0), config.ip(1), config.ip(2), config.ip(3));
  if (!socket_qtr.Connect(direccion.c_str(), config.puerto()) &&
      socket_qtr.GetLastError() != EWOULDBLOCK) {
    int error = socket_qtr.GetLastError();
    cierra_enlace();
    gl(kTextoLibre, formatea("Error: ctw: %d: No se puede conectar.", error).c_str());
    return 0;
  }
  return 1;
}

void CNivaraDlg::al_conectar() {
  enlace.conectado = 1;
  // The link turns idle, so the next tick sends the command that waited.
  if (enlace.estado_oc == WAIT_CONNECT) limpia_enlace();
}

void CNivaraDlg::al_cerrar() {
  gl(MSJ_CCC);
  cierra_enlace();
}
