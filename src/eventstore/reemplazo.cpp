#include "eventstore/reemplazo.h"

#include "eventstore/suceso.h"
#include "foundation/gl.h"
#include "platform/plataforma.h"

namespace {

constexpr const char* kArchivoTemporal = "qtrs.nvr.tmp";

}  // namespace

int reemplaza_sincro(const uint8_t* datos, uint32_t largo, const codigos_reemplazo& codigos) {
  plat::Platform& p = plat::sistema();
  int nuevo = p.open(kArchivoTemporal, plat::kReadWrite, plat::Share::kNone,
                     plat::Creation::kCreateAlways);
  if (nuevo == plat::kInvalidFile) {
    gl(codigos.crear);
    p.remove(kArchivoTemporal);  // created before its lock was refused
    return plat::kInvalidFile;
  }
  unsigned codigo = 0;
  uint32_t escritos = 0;
  if (!p.write(nuevo, datos, largo, &escritos)) {
    codigo = codigos.escribir;
  } else if (escritos != largo) {
    codigo = codigos.corto;
  } else if (!p.sync(nuevo) || !p.rename(kArchivoTemporal, kArchivoSincro)) {
    codigo = codigos.escribir;
  }
  if (codigo != 0) {
    gl(codigo);
    p.close(nuevo);
    p.remove(kArchivoTemporal);
    return plat::kInvalidFile;
  }
  return nuevo;
}
