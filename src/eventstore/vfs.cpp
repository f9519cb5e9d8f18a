#include <cstdint>

#include "app/CNivaraDlg.h"
#include "eventstore/reemplazo.h"
#include "eventstore/suceso.h"
#include "eventstore/version.h"
#include "foundation/afe.h"
#include "foundation/gl.h"
#include "foundation/mensajes.h"
#include "foundation/resumen.h"
#include "platform/plataforma.h"

namespace {

// The store as far as it needs to be read: its version byte always, its
// records only when that version is an old one.
struct sincro_leido {
  uint8_t version = 0;
  uint8_t* datos = nullptr;  // the whole store, for an old version only
  uint32_t largo = 0;
};

// False when there is no version to go by; nothing is left allocated then.
// Memory for the whole store is taken before anything is read, so a station
// that could not convert its store ends at start-up whatever its version;
// a current store, the usual case, is then left unread.
bool lee_sincro(sincro_leido* s) {
  plat::Platform& p = plat::sistema();
  int archivo = p.open(kArchivoSincro, plat::kRead, plat::Share::kRead,
                       plat::Creation::kOpenExisting);
  if (archivo == plat::kInvalidFile) return false;  // sus and afs see to a missing store
  uint64_t tamano = 0;
  if (!p.size(archivo, &tamano)) {
    gl(MSJ_VFS_SIN_TAMANO);
    p.close(archivo);
    return false;
  }
  auto* datos = static_cast<uint8_t*>(p.alloc(static_cast<size_t>(tamano)));
  if (datos == nullptr) {
    p.close(archivo);
    sale(MSJ_EXIT_VFS_MEMORIA, "Exit: vfs 1");
  }
  constexpr uint32_t kCabecera = 2;  // kind and version of the first record
  uint32_t leidos = 0;
  bool ok = tamano >= kCabecera && tamano <= UINT32_MAX &&
            p.read(archivo, datos, kCabecera, &leidos) && leidos == kCabecera;
  if (ok) s->version = datos[1];
  if (ok && s->version >= 1 && s->version < kVersionSuceso) {
    // Converting a partial copy would drop the unread tail.
    const auto resto = static_cast<uint32_t>(tamano - kCabecera);
    ok = p.read(archivo, datos + kCabecera, resto, &leidos) && leidos == resto;
    s->datos = datos;
    s->largo = static_cast<uint32_t>(tamano);
  }
  p.close(archivo);
  if (!ok || s->datos == nullptr) {
    p.free(datos);
    s->datos = nullptr;
  }
  return ok;
}

}  // namespace

// Brings an event store of an older version up to the current one.
bool CNivaraDlg::vfs() {
  plat::Platform& p = plat::sistema();
  sincro_leido s;
  if (!lee_sincro(&s)) return false;

  const uint8_t version = s.version;
  gl(kTextoLibre, formatea("Version struct nvr = %d", version).c_str());
  if (version > kVersionSuceso) sale(MSJ_EXIT_VFS_VERSION, "EXIT: vfs: version nvr desconocida");
  // A current store is left as it is, and so is version 0, which names no
  // structure.
  if (s.datos == nullptr) return false;
  uint8_t* datos = s.datos;
  const uint32_t largo = s.largo;

  const size_t capacidad = capacidad_conversion(largo);
  auto* convertido = static_cast<uint8_t*>(p.alloc(capacidad));
  if (convertido == nullptr) {
    p.free(datos);
    sale(MSJ_EXIT_VFS_MEMORIA, "Exit: vfs 2");
  }
  const resultado_conversion r = convierte_version(datos, largo, version, convertido, capacidad);
  p.free(datos);
  if (r.desconocido) gl(MSJ_VFS_DESCONOCIDO);

  const int nuevo = reemplaza_sincro(convertido, static_cast<uint32_t>(r.largo),
                                     {.crear = MSJ_VFS_NO_CREA, .escribir = MSJ_VFS_NO_GUARDA_1, .corto = MSJ_VFS_NO_GUARDA_2});
  p.free(convertido);
  if (nuevo == plat::kInvalidFile) return false;
  p.close(nuevo);
  gl(kTextoLibre, formatea("New Version struct nvr = %d", kVersionSuceso).c_str());
  return true;
}
