#include <cstdint>

#include "app/CNivaraDlg.h"
#include "eventstore/suceso.h"
#include "eventstore/version.h"
#include "foundation/afe.h"
#include "foundation/gl.h"
#include "foundation/resumen.h"
#include "platform/plataforma.h"

namespace {

// The converted store is written here and renamed over the old one only once
// it is on disk: a failure or a crash halfway leaves the old store whole.
constexpr const char* kArchivoTemporal = "qtrs.nvr.tmp";

// The whole store, or null (nothing to convert) with nothing left allocated.
uint8_t* lee_sincro(uint32_t* largo) {
  plat::Platform& p = plat::sistema();
  int archivo = p.open(kArchivoSincro, plat::kRead, plat::Share::kRead,
                       plat::Creation::kOpenExisting);
  if (archivo == plat::kInvalidFile) return nullptr;  // sus and afs see to a missing store
  uint64_t tamano = 0;
  if (!p.size(archivo, &tamano)) {
    gl(101);
    p.close(archivo);
    return nullptr;
  }
  auto* datos = static_cast<uint8_t*>(p.alloc(static_cast<size_t>(tamano)));
  if (datos == nullptr) {
    p.close(archivo);
    sale(102, "Exit: vfs 1");
  }
  // Converting a partial copy would drop the unread tail.
  uint32_t leidos = 0;
  const bool entero = tamano <= UINT32_MAX &&
                      p.read(archivo, datos, static_cast<uint32_t>(tamano), &leidos) &&
                      leidos == tamano;
  p.close(archivo);
  // Without a version byte there is nothing to go by.
  if (!entero || leidos < 2) {
    p.free(datos);
    return nullptr;
  }
  *largo = leidos;
  return datos;
}

// Puts the converted records in place of the store; the message of a failure,
// or 0.
unsigned reemplaza_sincro(const uint8_t* datos, uint32_t largo) {
  plat::Platform& p = plat::sistema();
  int nuevo = p.open(kArchivoTemporal, plat::kWrite, plat::Share::kNone,
                     plat::Creation::kCreateAlways);
  if (nuevo == plat::kInvalidFile) {
    p.remove(kArchivoTemporal);  // created before its lock was refused
    return 105;
  }
  unsigned codigo = 0;
  uint32_t escritos = 0;
  if (!p.write(nuevo, datos, largo, &escritos)) {
    codigo = 106;
  } else if (escritos != largo) {
    codigo = 107;
  } else if (!p.sync(nuevo) || !p.rename(kArchivoTemporal, kArchivoSincro)) {
    codigo = 106;
  }
  p.close(nuevo);
  if (codigo != 0) p.remove(kArchivoTemporal);
  return codigo;
}

}  // namespace

// Brings an event store of an older version up to the current one.
bool CNivaraDlg::vfs() {
  plat::Platform& p = plat::sistema();
  uint32_t largo = 0;
  uint8_t* datos = lee_sincro(&largo);
  if (datos == nullptr) return false;

  const uint8_t version = datos[1];
  gl(kTextoLibre, formatea("Version struct nvr = %d", version).c_str());
  if (version > kVersionSuceso) {
    p.free(datos);
    sale(15, "EXIT: vfs: version nvr desconocida");
  }
  // Version 0 names no structure: the store is left as it is.
  if (version == kVersionSuceso || version == 0) {
    p.free(datos);
    return false;
  }

  const size_t capacidad = capacidad_conversion(largo);
  auto* convertido = static_cast<uint8_t*>(p.alloc(capacidad));
  if (convertido == nullptr) {
    p.free(datos);
    sale(102, "Exit: vfs 2");
  }
  const resultado_conversion r = convierte_version(datos, largo, version, convertido, capacidad);
  p.free(datos);
  if (r.desconocido) gl(104);

  const unsigned codigo = reemplaza_sincro(convertido, static_cast<uint32_t>(r.largo));
  p.free(convertido);
  if (codigo != 0) {
    gl(codigo);
    return false;
  }
  gl(kTextoLibre, formatea("New Version struct nvr = %d", kVersionSuceso).c_str());
  return true;
}
