// Replacing a file whole through a temporary file and a rename.
#include "foundation/reemplazo.h"

#include <string>

#include "foundation/gl.h"
#include "foundation/mensajes.h"
#include "platform/platform.h"

archivo_abierto reemplaza_abierto(const char* ruta, const void* datos, uint32_t largo,
                                  const codigos_reemplazo& codigos, unsigned* fallo) {
  plat::Platform& p = plat::current();
  const std::string nombre = std::string(ruta) + ".tmp";
  const char* temporal = nombre.c_str();
  archivo_abierto nuevo = archivo_abierto::abre(temporal, plat::kReadWrite, plat::Share::kNone,
                                                plat::Creation::kCreateAlways);
  if (!nuevo.abierto()) {
    if (fallo != nullptr) *fallo = codigos.crear;
    if (codigos.crear != MSJ_NINGUNO) gl(codigos.crear);
    p.remove(temporal);  // created before its lock was refused
    return {};
  }
  unsigned codigo = 0;
  uint32_t escritos = 0;
  if (!p.write(nuevo.descriptor(), datos, largo, &escritos)) {
    codigo = codigos.escribir;
  } else if (escritos != largo) {
    codigo = codigos.corto;
  } else if (!p.sync(nuevo.descriptor()) || !p.rename(temporal, ruta)) {
    codigo = codigos.escribir;
  }
  if (codigo != 0) {
    if (fallo != nullptr) *fallo = codigo;
    if (codigo != MSJ_NINGUNO) gl(codigo);
    nuevo.cierra();
    p.remove(temporal);
    return {};
  }
  return nuevo;
}

bool reemplaza_archivo(const char* ruta, const void* datos, uint32_t largo,
                       const codigos_reemplazo& codigos, unsigned* fallo) {
  return reemplaza_abierto(ruta, datos, largo, codigos, fallo).abierto();
}
