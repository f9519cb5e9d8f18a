// The application: the platform installed, the station built and started,
// then the event loop.
#include "app/CNivaraApp.h"

#include <cstdio>

#include "app/CNivaraDlg.h"

int CNivaraApp::InitInstance(plat::Platform& p) {
  plat::install(&p);
  // The window's title is all the program shows.
  std::fputs("Nivara QTR\n", stdout);
  std::fflush(stdout);
  CNivaraDlg dlg;
  p.set_timer_handler([&dlg](unsigned id) { dlg.ot(id); });
  dlg.oid();
  // Without its journal the station skips reading tnq.ini and polls no
  // console until a later reading gets through.
  if (!dlg.configuracion_leida) {
    std::fputs(
        "nivara: no configuration has been read: tnq.ini is read only when Estado.txt "
        "can be written (see Nivara.log)\n",
        stderr);
  }
  p.run();
  return 0;
}
