// The console's per-tank records: the inventory record in its four
// layouts, and the 45-byte delivery record.
#pragma once

#include <cstddef>
#include <cstdint>

#include "foundation/fecha_bcd.h"

namespace qtr10 {

constexpr size_t kLargoRegistro = 57;   // per tank in the inventory reply
constexpr size_t kLargoRegistro1 = 41;  // layout 1 holds no product name
constexpr size_t kLargoDescarga = 45;

// One tank as the inventory reply tells it.
struct ValoresTanque {
  uint8_t inventario = 1;  // 0: the console has no inventory for the tank
  fecha_bcd fecha{};
  char producto[16] = {};
  uint8_t status = 0;     // calibration status bits 0x80, 0x40, 0x20, ...
  int16_t merma_mes = 0;  // tenths of a litre
  float nivel = 0;
  uint8_t medible = 0;  // bits 0x30 flag the level figures, 0x03 the water level
  float litros = 0;
  float litros_vacio = 0;
  float litros_base = 0;
  uint16_t serie = 0;
  float nivel_agua = 0;
  int16_t temperatura = 0;  // hundredths of a degree
  float perdidas = 0;
};

// Width of a layout's record: 41 for layout 1, 57 for the others (any
// version byte other than 1 to 3 means layout 4).
size_t largo_registro(uint8_t version);
// Writes one tank's record in the layout of `version`.
void escribe_registro(uint8_t version, const ValoresTanque& v, uint8_t* destino);

// A finished delivery.
struct Descarga {
  uint8_t tanque = 0;  // zero-based
  char producto[16] = {};
  fecha_bcd inicio{};
  fecha_bcd fin{};
  float litros_inicial = 0;
  float litros_final = 0;
  float nivel_inicial = 0;
  float nivel_final = 0;
  uint8_t marcas = 0;  // 0x01/0x04: initial volume doubtful, 0x02/0x08: final
};

// Offsets 32 to 43 are ours: the end date, then the initial and final
// levels in whole millimetres (16 bits, big-endian), then a zero byte.
void escribe_descarga(const Descarga& d, uint8_t destino[kLargoDescarga]);

}  // namespace qtr10
