// The console's sale question, answered from the event store: the first
// byte is the tank asked about (low four bits) and the answer's form ('g'
// or not), the next 42 the question's three periods, the rest the store.
#include <cstring>

#include "banco.h"
#include "console/respuesta_venta.h"
#include "eventstore/suceso.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t largo) {
  constexpr size_t kCabecera = 1 + kLargoPregunta;
  if (largo < kCabecera) return 0;
  banco::banco b;
  b.escribe(kArchivoSincro, datos + kCabecera, largo - kCabecera);
  CNivaraDlg& d = b.estacion();
  const uint8_t tanque = datos[0] & 0x0F;
  const uint8_t forma = datos[0] & 0x10 ? kFormaLarga : kFormaCorta;
  banco::banco::corre([&] { d.contesta_venta(tanque, datos + 1, forma); });
  return 0;
}
