// The event store read as a whole: converting an older structure version to
// the current one, and the scan that rebuilds the running state.
#pragma once

#include <cstddef>
#include <cstdint>

#include "eventstore/suceso.h"
#include "foundation/archivo_entero.h"
#include "foundation/fecha_bcd.h"

// Length of a record of kind `tipo` in the old structure `version` (1..4);
// 0 where the conversion stops (an 'N' before version 4, any unknown kind).
size_t largo_antiguo(uint8_t tipo, uint8_t version);

struct resultado_conversion {
  size_t largo = 0;          // bytes of converted records written
  size_t leidos = 0;         // old bytes they came from
  bool parada = false;       // the conversion ends here, whatever follows
  bool desconocido = false;  // stopped at an unknown kind
};

// Room `convierte_version` may need for `largo` old bytes.
size_t capacidad_conversion(size_t largo);

// Converts the old records in `datos`, from the start, to current records in
// `salida` (never more than `capacidad` bytes): old bytes at their offsets,
// missing bytes 0, byte 1 the current version, byte 7 (capture mark) 0. Stops
// for good (parada) at an unknown kind and at an 'N' before version 4; stops
// for now at a record cut short by the end of the data and when `salida` is
// full, so that the next part of the store goes on from `leidos`. A version
// outside 1..4 converts nothing.
resultado_conversion convierte_version(const uint8_t* datos, size_t largo, uint8_t version,
                                       uint8_t* salida, size_t capacidad);

// What the store says about the running state.
struct recorrido_sincro {
  bool desconocido = false;  // stopped at a record of unknown kind, the cursor's
  bool hay_venta = false;
  fecha_bcd ultima_venta = {};  // of the last sale record before the unknown one
};

// Walks the whole records under the cursor up to the first of unknown kind;
// the litres of each tank's last snapshot go to `litros` (tanks 0..15 only).
recorrido_sincro recorre_sincro(cursor_registros& c, float litros[kTanquesSincro]);

// Turns the record in place into the null event that replaces an unknown kind.
void anula_suceso(uint8_t registro[kLargoSuceso], const fecha_bcd& ahora);
