#include "app/CNivaraDlg.h"

// Generates the 100-point working table from the console table.
bool CNivaraDlg::g100() { return false; }
