#include "app/CNivaraDlg.h"

// Reads the sales records newer than the last stored sale and stores them.
void CNivaraDlg::lfv() {}
