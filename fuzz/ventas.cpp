// A sales file of each text layout, read at start-up (the meter readings)
// and by the sales reader. The first byte picks the layout (its low bits)
// and whether the tanks' automatic calibration follows each sale (top
// bit); the rest is the file.
#include <iterator>

#include "lector.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t largo) {
  if (largo < 1) return 0;
  banco::banco b;
  const int32_t tipo = banco::kTiposTexto[(datos[0] & 0x7F) % std::size(banco::kTiposTexto)];
  CNivaraDlg& d = banco::lector(b, tipo, datos + 1, largo - 1);
  if (datos[0] & 0x80) {
    for (int t = 0; t < kTanques; ++t) d.config.pon_genera(t, 1);
  }
  banco::banco::corre([&] {
    d.safv();
    d.lfv();
  });
  return 0;
}
