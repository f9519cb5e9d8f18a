// The timer handler: every piece of periodic work starts here.
#include "app/CNivaraDlg.h"

void CNivaraDlg::ot(unsigned /*id*/) {
  // A timer message that arrives while the handler runs is dropped.
  if (prog.ot_ocupado != 0) return;
  prog.ot_ocupado = 1;
  // The polling cycle, the sales file and the configuration re-read are
  // dispatched from here by timer id.
  prog.ot_ocupado = 0;
}
