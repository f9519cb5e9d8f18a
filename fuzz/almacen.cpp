// The event store as start-up finds it: brought up from an older structure
// version, scanned and repaired past an unknown record, and appended to
// with its month-based retention.
#include "banco.h"
#include "eventstore/suceso.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t largo) {
  banco::banco b;
  b.escribe(kArchivoSincro, datos, largo);
  CNivaraDlg& d = b.estacion();
  banco::banco::corre([&] {
    d.vfs();
    d.sus();
    d.afs(SUCESO_ARRANQUE, 0);
  });
  return 0;
}
