// A calibration table file, loaded as the station loads a tank's table:
// the bytes as they are, and again with their checksum made right, so that
// the checks behind the sum are reached too.
#include <vector>

#include "banco.h"
#include "calibration/tabla_calib.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t largo) {
  banco::banco b;
  const std::string archivo = archivo_tabla(0);
  tabla_calib t;
  b.escribe(archivo, datos, largo);
  lct(archivo.c_str(), &t);
  if (largo != kLargoTablaCalib) return 0;

  std::vector<uint8_t> sumada(datos, datos + largo);
  auto* s = reinterpret_cast<tabla_calib*>(sumada.data());
  const uint16_t suma = suma_tabla(*s);
  s->suma[0] = static_cast<uint8_t>(suma >> 8);
  s->suma[1] = static_cast<uint8_t>(suma);
  b.escribe(archivo, sumada.data(), sumada.size());
  lct(archivo.c_str(), &t);
  return 0;
}
