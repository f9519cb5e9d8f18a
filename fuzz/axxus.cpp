// SVS AXXUS's binary sales file, converted into its text file and read by
// the sales reader.
#include "lector.h"
#include "sales/controladores.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t largo) {
  banco::banco b;
  CNivaraDlg& d = banco::lector(b, CONTROLADOR_SVS_AXXUS, datos, largo);
  banco::banco::corre([&] { d.lfv(); });
  return 0;
}
