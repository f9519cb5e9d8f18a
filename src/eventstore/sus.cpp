#include "app/CNivaraDlg.h"

// Scans the event store for the last sale date and the snapshot litres, and
// repairs it past an unknown record; false when there is no usable store.
bool CNivaraDlg::sus() { return true; }
