// Replacing the event store through a temporary file and a rename.
#include "eventstore/reemplazo.h"

#include "eventstore/suceso.h"
#include "foundation/gl.h"
#include "platform/platform.h"

namespace {

constexpr const char* kArchivoTemporal = "qtrs.nvr.tmp";

}  // namespace

archivo_abierto reemplaza_sincro(const uint8_t* datos, uint32_t largo,
                                 const codigos_reemplazo& codigos) {
  plat::Platform& p = plat::current();
  archivo_abierto nuevo = archivo_abierto::abre(kArchivoTemporal, plat::kReadWrite,
                                                plat::Share::kNone, plat::Creation::kCreateAlways);
  if (!nuevo.abierto()) {
    gl(codigos.crear);
    p.remove(kArchivoTemporal);  // created before its lock was refused
    return {};
  }
  unsigned codigo = 0;
  uint32_t escritos = 0;
  if (!p.write(nuevo.descriptor(), datos, largo, &escritos)) {
    codigo = codigos.escribir;
  } else if (escritos != largo) {
    codigo = codigos.corto;
  } else if (!p.sync(nuevo.descriptor()) || !p.rename(kArchivoTemporal, kArchivoSincro)) {
    codigo = codigos.escribir;
  }
  if (codigo != 0) {
    gl(codigo);
    nuevo.cierra();
    p.remove(kArchivoTemporal);
    return {};
  }
  return nuevo;
}
