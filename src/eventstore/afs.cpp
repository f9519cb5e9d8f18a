#include "app/CNivaraDlg.h"

// Appends one event of the given kind to the event store, keeping three months.
bool CNivaraDlg::afs(char /*tipo*/, uint8_t /*indice*/) { return false; }
