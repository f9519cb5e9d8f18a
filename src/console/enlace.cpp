#include "app/CNivaraDlg.h"

// Forgets any reply in progress and leaves the link idle.
void CNivaraDlg::limpia_enlace() {
  enlace.faltan_respuesta = 0;
  enlace.puntero_respuesta = 0;
  enlace.estado_oc = 0;
}
