// The automatic calibration driver, run by the sales reader after each sale
// of a tank that takes part in calibration.
#include "app/CNivaraDlg.h"

// Nothing yet: the sales reader already calls it where each sale of a
// flagged tank is stored, so the driver comes in without touching the reader.
void CNivaraDlg::Autclb(int /*tanque*/) {}
