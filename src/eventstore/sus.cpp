#include <cstdint>

#include "app/CNivaraDlg.h"
#include "eventstore/suceso.h"
#include "eventstore/version.h"
#include "foundation/afe.h"
#include "foundation/gl.h"
#include "foundation/mensajes.h"
#include "platform/plataforma.h"

namespace {

// Writes the null event over the record at `offset` and cuts the store after
// it: what follows an unknown record cannot be trusted to be in step.
bool graba_nulo(const uint8_t registro[kLargoSuceso], uint64_t offset) {
  plat::Platform& p = plat::sistema();
  int archivo = p.open(kArchivoSincro, plat::kWrite, plat::Share::kNone,
                       plat::Creation::kOpenExisting);
  if (archivo == plat::kInvalidFile) {
    gl(MSJ_SUS_NO_REABRE);
    return false;
  }
  uint32_t escritos = 0;
  const bool ok = p.seek(archivo, static_cast<int64_t>(offset), plat::Origin::kBegin) &&
                  p.write(archivo, registro, kLargoSuceso, &escritos) &&
                  escritos == kLargoSuceso && p.set_end(archivo);
  p.close(archivo);
  if (!ok) gl(MSJ_SUS_NO_GUARDA_NULO);
  return ok;
}

}  // namespace

// Scans the event store for the last sale date and the snapshot litres, and
// repairs it past an unknown record; false when there is no usable store.
bool CNivaraDlg::sus() {
  plat::Platform& p = plat::sistema();
  fecha_actual(&ventas.ultima_venta);
  float litros[kTanquesConsola] = {};
  for (int t = 0; t < kTanquesConsola; ++t) resp.fotos[t].litros = 0.0f;

  int archivo = p.open(kArchivoSincro, plat::kRead, plat::Share::kRead,
                       plat::Creation::kOpenExisting);
  if (archivo == plat::kInvalidFile) return false;
  uint64_t tamano = 0;
  if (!p.size(archivo, &tamano)) {
    gl(MSJ_SUS_SIN_TAMANO);
    p.close(archivo);
    return false;
  }
  auto* datos = static_cast<uint8_t*>(p.alloc(static_cast<size_t>(tamano)));
  if (datos == nullptr) {
    p.close(archivo);
    sale(MSJ_EXIT_SUS_MEMORIA, "Exit: sus");
  }
  uint32_t leidos = 0;
  const uint32_t pedir = tamano > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(tamano);
  if (!p.read(archivo, datos, pedir, &leidos)) leidos = 0;
  p.close(archivo);

  const recorrido_sincro r = recorre_sincro(datos, leidos, litros);
  for (int t = 0; t < kTanquesConsola; ++t) resp.fotos[t].litros = litros[t];
  if (r.hay_venta) ventas.ultima_venta = r.ultima_venta;
  bool resultado = true;
  if (r.desconocido < leidos) {
    gl(MSJ_SUS_DESCONOCIDO);
    fecha_bcd ahora;
    fecha_actual(&ahora);
    anula_suceso(datos + r.desconocido, ahora);
    // No sale from before the repair is to be read again.
    ventas.ultima_venta = ahora;
    resultado = graba_nulo(datos + r.desconocido, r.desconocido);
  }
  p.free(datos);
  return resultado;
}
