// The scan of the whole store at start-up and after each configuration
// re-read: the last sale date, each tank's snapshot litres, and the repair
// of a record of unknown kind.
#include <cstdint>
#include <cstring>

#include "app/CNivaraDlg.h"
#include "eventstore/apartado.h"
#include "eventstore/suceso.h"
#include "eventstore/version.h"
#include "foundation/archivo_entero.h"
#include "foundation/gl.h"
#include "foundation/mensajes.h"
#include "platform/platform.h"

namespace {

// Writes the null event over the record at `offset` and cuts the store after
// it: what follows an unknown record cannot be trusted to be in step.
bool graba_nulo(const uint8_t registro[kLargoSuceso], uint64_t offset) {
  plat::Platform& p = plat::current();
  int archivo =
      p.open(kArchivoSincro, plat::kWrite, plat::Share::kNone, plat::Creation::kOpenExisting);
  if (archivo == plat::kInvalidFile) {
    gl(MSJ_SUS_NO_REABRE);
    return false;
  }
  uint32_t escritos = 0;
  const bool ok = p.seek(archivo, static_cast<int64_t>(offset), plat::Origin::kBegin) &&
                  p.write(archivo, registro, kLargoSuceso, &escritos) && escritos == kLargoSuceso &&
                  p.set_end(archivo);
  p.close(archivo);
  if (!ok) gl(MSJ_SUS_NO_GUARDA_NULO);
  return ok;
}

}  // namespace

// Scans the event store for the last sale date and the snapshot litres, and
// repairs it past an unknown record; false when there is no usable store.
bool CNivaraDlg::sus() {
  fecha_actual(&ventas.ultima_venta);
  static_assert(kTanquesSincro == kTanquesConsola);
  float litros[kTanquesSincro] = {};
  for (int t = 0; t < kTanquesConsola; ++t) resp.fotos[t].litros = 0.0f;

  // A store that cannot be read counts as empty; a missing one is no store,
  // and sus says nothing about it (its caller makes one).
  archivo_abierto archivo = archivo_abierto::abre(kArchivoSincro, plat::kRead, plat::Share::kRead,
                                                  plat::Creation::kOpenExisting);
  if (!archivo.abierto()) return false;
  constexpr reglas_lectura kReglas{.tamano = MSJ_SUS_SIN_TAMANO,
                                   .memoria = MSJ_EXIT_SUS_MEMORIA,
                                   .salida = "Exit: sus",
                                   .minimo = minimo_lectura::nada};
  ventana_archivo v;
  if (!v.abre(archivo, kReglas)) return false;

  cursor_registros c(v, kLargoSuceso);
  const recorrido_sincro r = recorre_sincro(c, litros);
  for (int t = 0; t < kTanquesConsola; ++t) resp.fotos[t].litros = litros[t];
  if (r.hay_venta) ventas.ultima_venta = r.ultima_venta;
  if (!r.desconocido) return true;
  gl(MSJ_SUS_DESCONOCIDO);
  uint8_t registro[kLargoSuceso];
  std::memcpy(registro, c.actual(), kLargoSuceso);
  const uint64_t donde = c.desplazamiento();
  // What the repair cuts off is kept first; without a copy nothing is cut.
  if (!aparta(v, donde, motivo_apartado::reparado)) return false;
  archivo.cierra();  // the repair opens it again, alone
  fecha_bcd ahora;
  fecha_actual(&ahora);
  anula_suceso(registro, ahora);
  // No sale from before the repair is to be read again.
  ventas.ultima_venta = ahora;
  return graba_nulo(registro, donde);
}
