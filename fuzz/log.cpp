// Nivara.log's records: decoded into readable lines by the admin tool, and
// stepped over by the station's own trim of an oversized log.
#include "admin/lectura_log.h"
#include "foundation/gl.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t largo) {
  admin::estado_log estado;
  admin::decodifica_log(datos, largo, estado);
  inicio_recorte(datos, largo);
  return 0;
}
