// Bringing a store written by an older structure version up to the
// current one, once at start-up.
#include <cstdint>
#include <optional>

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

bool version_antigua(uint8_t version) { return version >= 1 && version < kVersionSuceso; }

}  // namespace

// Brings an event store of an older version up to the current one.
bool CNivaraDlg::vfs() {
  archivo_abierto archivo = archivo_abierto::abre(kArchivoSincro, plat::kRead, plat::Share::kRead,
                                                  plat::Creation::kOpenExisting);
  if (!archivo.abierto()) return false;  // sus and afs see to a missing store
  // Converting a partial read would drop the unread tail; a store that
  // cannot be read whole is left as it is, without a word. Memory for the
  // window is taken before anything is read, so a station that could not
  // convert its store ends at start-up whatever its version; a current
  // store, the usual case, is then left unread but for its version byte.
  constexpr reglas_lectura kReglas{.tamano = MSJ_VFS_SIN_TAMANO,
                                   .memoria = MSJ_EXIT_VFS_MEMORIA,
                                   .salida = "Exit: vfs 1",
                                   .minimo = minimo_lectura::todo};
  constexpr size_t kCabecera = 2;  // kind and version of the first record
  ventana_archivo v;
  if (!v.reserva(archivo, kReglas) || v.tamano() < kCabecera || !v.lee_primeros(kCabecera)) {
    return false;
  }
  const uint8_t version = v.datos()[1];
  // The rest of the first window, for an old version only.
  if (version_antigua(version) && !v.sigue(0) && !v.leida()) return false;

  gl(kTextoLibre, formatea("Version struct nvr = %d", version).c_str());
  if (version > kVersionSuceso) sale(MSJ_EXIT_VFS_VERSION, "EXIT: vfs: version nvr desconocida");
  // A current store is left as it is, and so is version 0, which names no
  // structure.
  if (!version_antigua(version)) return false;

  memoria_plataforma convertido;
  const size_t capacidad = capacidad_conversion(v.capacidad());
  if (!convertido.toma(capacidad)) sale(MSJ_EXIT_VFS_MEMORIA, "Exit: vfs 2");
  // Window by window into the new store; it is made once the first window
  // is converted.
  std::optional<reemplazo_en_partes> nuevo;
  for (;;) {
    const resultado_conversion r =
        convierte_version(v.datos(), v.largo(), version, convertido.datos(), capacidad);
    if (r.desconocido) gl(MSJ_VFS_DESCONOCIDO);
    if (!nuevo) {
      nuevo.emplace(kArchivoSincro, codigos_reemplazo{.crear = MSJ_VFS_NO_CREA,
                                                      .escribir = MSJ_VFS_NO_GUARDA_1,
                                                      .corto = MSJ_VFS_NO_GUARDA_2});
    }
    if (!nuevo->escribe(convertido.datos(), static_cast<uint32_t>(r.largo))) return false;
    if (r.parada || !v.sigue(r.leidos)) break;
  }
  if (!v.leida()) return false;
  // The old store is kept aside whole before it is replaced: the conversion
  // drops what follows an unknown kind and every byte no field holds.
  // Without that copy it is not replaced.
  if (!v.lee_en(0) || !aparta(v, 0, motivo_apartado::convertido)) return false;
  if (!nuevo->termina().abierto()) return false;
  gl(kTextoLibre, formatea("New Version struct nvr = %d", kVersionSuceso).c_str());
  return true;
}
