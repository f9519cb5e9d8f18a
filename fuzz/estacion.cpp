// The station text of nivara-admin. A text it takes must print back to a
// text that reads into the same record.
#include "admin/estacion.h"

#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t largo) {
  const std::string_view texto(reinterpret_cast<const char*>(datos), largo);
  configuracion_tnq c, otra;
  std::vector<admin::error_estacion> errores;
  if (!admin::lee_estacion(texto, c, errores)) return 0;
  if (!admin::lee_estacion(admin::imprime_estacion(c), otra, errores) ||
      std::memcmp(c.bytes, otra.bytes, sizeof c.bytes) != 0) {
    std::abort();
  }
  return 0;
}
