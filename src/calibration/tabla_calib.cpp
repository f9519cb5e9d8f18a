// Byte order and checksum of the calibration tables.
#include "calibration/tabla_calib.h"

#include <cstring>
#include <utility>

namespace {

// On the raw bytes: members of a packed struct cannot be bound to references.
void invierte(uint8_t* p, size_t n) {
  for (size_t i = 0; i < n / 2; ++i) std::swap(p[i], p[n - 1 - i]);
}

}  // namespace

void convierte_tabla(tabla_calib& t) {
  auto* b = reinterpret_cast<uint8_t*>(&t);
  invierte(b + offsetof(tabla_calib, version_formato), 2);
  invierte(b + offsetof(tabla_calib, campo_42), 2);
  invierte(b + offsetof(tabla_calib, diametro_tank), 4);
  invierte(b + offsetof(tabla_calib, capacidad), 4);
  uint8_t* reales = b + offsetof(tabla_calib, puntos);
  for (int k = 0; k < kPuntosTabla * 3; ++k) invierte(reales + 4 * k, 4);
}

uint16_t suma_tabla(const tabla_calib& t) {
  const auto* b = reinterpret_cast<const uint8_t*>(&t);
  unsigned suma = 0;
  for (size_t i = 0; i < offsetof(tabla_calib, suma); ++i) suma += b[i];
  return static_cast<uint16_t>(suma);
}
