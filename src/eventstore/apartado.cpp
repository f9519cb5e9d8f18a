// Keeping pieces of the store aside; see apartado.h.
#include "eventstore/apartado.h"

#include <cstring>
#include <vector>

#include "foundation/archivo_entero.h"
#include "foundation/bytes.h"
#include "foundation/fecha_bcd.h"
#include "foundation/gl.h"
#include "foundation/resumen.h"
#include "platform/platform.h"

bool aparta(const uint8_t* pieza, uint32_t largo, motivo_apartado motivo) {
  plat::Platform& p = plat::current();
  std::vector<uint8_t> registro(kCabeceraApartado + largo);
  fecha_bcd ahora{};
  fecha_actual(&ahora);
  ahora.dia_semana = 0;
  std::memcpy(registro.data(), &ahora, sizeof ahora);
  registro[7] = static_cast<uint8_t>(motivo);
  escribe_u32_le(registro.data() + 8, largo);
  std::memcpy(registro.data() + kCabeceraApartado, pieza, largo);

  archivo_abierto archivo = archivo_abierto::abre(kArchivoApartados, plat::kReadWrite,
                                                  plat::Share::kNone, plat::Creation::kOpenAlways);
  uint32_t escritos = 0;
  const auto n = static_cast<uint32_t>(registro.size());
  const bool guardado = archivo.abierto() && p.seek(archivo.descriptor(), 0, plat::Origin::kEnd) &&
                        p.write(archivo.descriptor(), registro.data(), n, &escritos) &&
                        escritos == n && p.sync(archivo.descriptor());
  if (!guardado) {
    // The operation that keeps the piece, as the log's texts name it.
    const char* operacion = motivo == motivo_apartado::reparado     ? "sus"
                            : motivo == motivo_apartado::convertido ? "vfs"
                                                                    : "afs";
    gl(kTextoLibre, formatea("Error: %s: no se puede apartar en %s %d", operacion,
                             kArchivoApartados, p.last_error())
                        .c_str());
  }
  return guardado;
}
