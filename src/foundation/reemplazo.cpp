// Replacing a file whole through a temporary file and a rename.
#include "foundation/reemplazo.h"

#include <string>
#include <utility>

#include "foundation/gl.h"
#include "foundation/mensajes.h"
#include "platform/platform.h"

reemplazo_en_partes::reemplazo_en_partes(const char* ruta, const codigos_reemplazo& codigos,
                                         unsigned* fallo)
    : ruta_(ruta), temporal_(ruta_ + ".tmp"), codigos_(codigos), fallo_(fallo) {
  nuevo_ = archivo_abierto::abre(temporal_.c_str(), plat::kReadWrite, plat::Share::kNone,
                                 plat::Creation::kCreateAlways);
  if (!nuevo_.abierto()) {
    falla(codigos_.crear);
    plat::current().remove(temporal_.c_str());  // created before its lock was refused
  }
}

bool reemplazo_en_partes::falla(unsigned codigo) {
  if (fallo_ != nullptr) *fallo_ = codigo;
  if (codigo != MSJ_NINGUNO) gl(codigo);
  abandona();
  return false;
}

void reemplazo_en_partes::abandona() {
  if (!nuevo_.abierto()) return;
  nuevo_.cierra();
  plat::current().remove(temporal_.c_str());
}

bool reemplazo_en_partes::escribe(const void* datos, uint32_t largo) {
  if (!nuevo_.abierto()) return false;
  uint32_t escritos = 0;
  if (!plat::current().write(nuevo_.descriptor(), datos, largo, &escritos)) {
    return falla(codigos_.escribir);
  }
  if (escritos != largo) return falla(codigos_.corto);
  return true;
}

archivo_abierto reemplazo_en_partes::termina() {
  plat::Platform& p = plat::current();
  if (!nuevo_.abierto()) return {};
  if (!p.sync(nuevo_.descriptor()) || !p.rename(temporal_.c_str(), ruta_.c_str())) {
    falla(codigos_.escribir);
    return {};
  }
  return std::move(nuevo_);
}

archivo_abierto reemplaza_abierto(const char* ruta, const void* datos, uint32_t largo,
                                  const codigos_reemplazo& codigos, unsigned* fallo) {
  reemplazo_en_partes nuevo(ruta, codigos, fallo);
  if (!nuevo.escribe(datos, largo)) return {};
  return nuevo.termina();
}

bool reemplaza_archivo(const char* ruta, const void* datos, uint32_t largo,
                       const codigos_reemplazo& codigos, unsigned* fallo) {
  return reemplaza_abierto(ruta, datos, largo, codigos, fallo).abierto();
}
