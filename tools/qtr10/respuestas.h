// The console's replies, byte for byte. Checksums are 16-bit sums stored
// low byte first; `sumas_malas` adds one to each, for fault tests.
#pragma once

#include <cstdint>
#include <vector>

#include "foundation/fecha_bcd.h"
#include "qtr10/calibracion.h"
#include "qtr10/registros.h"
#include "qtr10/venta.h"

namespace qtr10 {

// 18 + 57N bytes, 63 + 57N with a question. `forma` is byte 0: 'g' asks for
// the long answer.
std::vector<uint8_t> respuesta_inventario(uint8_t forma, const fecha_bcd& reloj, uint8_t version,
                                          const std::vector<ValoresTanque>& tanques,
                                          const PreguntaVenta* pregunta, bool sumas_malas);

// 45·N·M + 7 bytes: the M records of tank 0, then those of tank 1, ...
std::vector<uint8_t> respuesta_descargas(uint8_t n, uint8_t m,
                                         const std::vector<Descarga>& registros, bool sumas_malas);

// 1252 bytes.
std::vector<uint8_t> respuesta_tabla(const TablaConsola& t, bool sumas_malas);

// STX, code, ETX; 0x80 is the good code.
std::vector<uint8_t> acuse(uint8_t codigo);

}  // namespace qtr10
