#include "app/CNivaraDlg.h"

// Brings an event store of an older version up to the current one.
bool CNivaraDlg::vfs() { return false; }
