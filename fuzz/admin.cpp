// The files nivara-admin reads: the store (as lines or as CSV), the pieces
// set aside from it, and a table file (printed and plotted). The first
// byte picks which (modulo 3; the CSV with bit 2), the rest is the file.
#include <sstream>

#include "admin/apartados.h"
#include "admin/sincro.h"
#include "admin/tabla.h"
#include "banco.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t largo) {
  if (largo < 1) return 0;
  banco::banco b;
  b.escribe("archivo", datos + 1, largo - 1);
  const std::string ruta = b.sim().path_of("archivo");
  std::ostringstream salida, errores;
  switch (datos[0] % 3) {
    case 0: {
      admin::opciones_sincro o;
      o.ruta = ruta;
      o.csv = (datos[0] & 4) != 0;
      admin::imprime_sincro(o, salida, errores);
      break;
    }
    case 1: admin::imprime_apartados(ruta, salida, errores); break;
    default:
      admin::tabla_print(ruta, salida, errores);
      admin::tabla_plot({ruta}, b.sim().path_of("tabla.svg"), errores);
      break;
  }
  return 0;
}
