// Bringing a store written by an older structure version up to the
// current one, once at start-up.
#include <cstdint>
#include <utility>

#include "app/CNivaraDlg.h"
#include "eventstore/apartado.h"
#include "eventstore/suceso.h"
#include "eventstore/version.h"
#include "foundation/afe.h"
#include "foundation/archivo_entero.h"
#include "foundation/gl.h"
#include "foundation/mensajes.h"
#include "foundation/reemplazo.h"
#include "foundation/resumen.h"
#include "platform/platform.h"

namespace {

// The store as far as it needs to be read: its version byte always, its
// records only when that version is an old one.
struct sincro_leido {
  uint8_t version = 0;
  copia_archivo copia;  // the whole store, for an old version only
};

bool version_antigua(uint8_t version) { return version >= 1 && version < kVersionSuceso; }

// False when there is no version to go by. Memory for the whole store is
// taken before anything is read, so a station that could not convert its
// store ends at start-up whatever its version; a current store, the usual
// case, is then left unread.
bool lee_sincro(sincro_leido* s) {
  archivo_abierto archivo = archivo_abierto::abre(kArchivoSincro, plat::kRead, plat::Share::kRead,
                                                  plat::Creation::kOpenExisting);
  if (!archivo.abierto()) return false;  // sus and afs see to a missing store
  // Converting a partial copy would drop the unread tail; a store that
  // cannot be read whole is left as it is, without a word.
  constexpr reglas_lectura kReglas{.tamano = MSJ_VFS_SIN_TAMANO,
                                   .memoria = MSJ_EXIT_VFS_MEMORIA,
                                   .salida = "Exit: vfs 1",
                                   .minimo = minimo_lectura::todo};
  constexpr uint32_t kCabecera = 2;  // kind and version of the first record
  copia_archivo copia;
  if (!reserva_copia(archivo, copia, kReglas)) return false;
  if (copia.tamano < kCabecera || copia.tamano > UINT32_MAX ||
      !lee_en_copia(archivo, copia, kCabecera, kReglas)) {
    return false;
  }
  s->version = copia.datos()[1];
  if (!version_antigua(s->version)) return true;
  if (!lee_en_copia(archivo, copia, static_cast<uint32_t>(copia.tamano) - kCabecera, kReglas)) {
    return false;
  }
  s->copia = std::move(copia);
  return true;
}

}  // namespace

// Brings an event store of an older version up to the current one.
bool CNivaraDlg::vfs() {
  sincro_leido s;
  if (!lee_sincro(&s)) return false;

  const uint8_t version = s.version;
  gl(kTextoLibre, formatea("Version struct nvr = %d", version).c_str());
  if (version > kVersionSuceso) sale(MSJ_EXIT_VFS_VERSION, "EXIT: vfs: version nvr desconocida");
  // A current store is left as it is, and so is version 0, which names no
  // structure.
  if (!version_antigua(version)) return false;

  memoria_plataforma convertido;
  const size_t capacidad = capacidad_conversion(s.copia.largo);
  if (!convertido.toma(capacidad)) {
    s.copia.memoria.libera();
    sale(MSJ_EXIT_VFS_MEMORIA, "Exit: vfs 2");
  }
  const resultado_conversion r =
      convierte_version(s.copia.datos(), s.copia.largo, version, convertido.datos(), capacidad);
  if (r.desconocido) gl(MSJ_VFS_DESCONOCIDO);
  // The old store is kept aside whole before it is replaced: the conversion
  // drops what follows an unknown kind and every byte no field holds.
  // Without that copy it is not replaced.
  const bool guardado = aparta(s.copia.datos(), s.copia.largo, motivo_apartado::convertido);
  s.copia.memoria.libera();
  if (!guardado) return false;

  if (!reemplaza_archivo(kArchivoSincro, convertido.datos(), static_cast<uint32_t>(r.largo),
                         {.crear = MSJ_VFS_NO_CREA,
                          .escribir = MSJ_VFS_NO_GUARDA_1,
                          .corto = MSJ_VFS_NO_GUARDA_2})) {
    return false;
  }
  gl(kTextoLibre, formatea("New Version struct nvr = %d", kVersionSuceso).c_str());
  return true;
}
