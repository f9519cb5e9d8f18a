// The event store "qtrs.nvr": 21-byte records, oldest first, little-endian.
#pragma once

#include <cstddef>
#include <cstdint>

#include "foundation/fecha_bcd.h"
#include "inventory/registro_tanque.h"

constexpr size_t kLargoSuceso = 21;
constexpr uint8_t kVersionSuceso = 5;
constexpr const char* kArchivoSincro = "qtrs.nvr";

enum : uint8_t {
  SUCESO_FOTO = 'S',
  SUCESO_VENTA = 'V',
  SUCESO_ARRANQUE = 'A',
  SUCESO_NULO = 'N',
};

constexpr uint8_t kTanqueCierreTurno = 99;

// The sale being stored.
struct venta {
  fecha_bcd fecha;
  uint8_t tanque;  // 0..15, or 99 for a shift close
  float litros;
  float total_contador;  // -1.0 when not known
};

// Record builders. `programada`: the console acknowledged a table
// programming (flag 0x08); `autclb`: stored right after a new table version
// (flag 0x40).
void suceso_foto(const registro_tanque& r, uint8_t tanque, bool programada, bool autclb,
                 uint8_t out[kLargoSuceso]);
void suceso_venta(const venta& v, uint8_t out[kLargoSuceso]);
void suceso_arranque(const fecha_bcd& ahora, uint8_t resultado, uint8_t out[kLargoSuceso]);

// The three months that the store keeps, as BCD bytes: the current one and
// the two before it.
void meses_retenidos(unsigned mes_actual, uint8_t meses_bcd[3]);

// Offset of the first record from the second on whose month is one of
// `meses_bcd`; `largo` when there is none.
size_t primer_retenido(const uint8_t* datos, size_t largo, const uint8_t meses_bcd[3]);
