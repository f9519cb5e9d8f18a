// tnq.ini, read as the station reads it into its live configuration.
#include "banco.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t largo) {
  banco::banco b;
  b.escribe("tnq.ini", datos, largo);
  CNivaraDlg& d = b.estacion();
  banco::banco::corre([&] { d.lc(); });
  return 0;
}
