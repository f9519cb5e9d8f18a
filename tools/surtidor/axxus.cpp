// SVS AXXUS's binary sale record.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "foundation/bytes.h"
#include "surtidor/surtidor.h"

namespace surtidor {

std::string registro_axxus(const venta_surtidor& v) {
  uint8_t r[kLargoAxxus] = {};
  // The date double is the decimal DDMMYY.hhmmss (one digit for a day below
  // 10), read from its text so that it is the double nearest that decimal.
  char texto[32];
  std::snprintf(texto, sizeof texto, "%u%02u%02u.%02u%02u%02u", bcd_a_bin(v.fecha.dia),
                bcd_a_bin(v.fecha.mes), bcd_a_bin(v.fecha.anio), bcd_a_bin(v.fecha.hora),
                bcd_a_bin(v.fecha.minuto), bcd_a_bin(v.fecha.segundo));
  const double fecha = std::strtod(texto, nullptr);
  uint64_t bits;
  std::memcpy(&bits, &fecha, sizeof bits);
  escribe_u32_le(r, static_cast<uint32_t>(bits));
  escribe_u32_le(r + 4, static_cast<uint32_t>(bits >> 32));
  escribe_real_le(r + 8, static_cast<float>(v.pico));
  escribe_real_le(r + 12, static_cast<float>(v.surtidor));
  // Bytes 16..19 are not read; the controller leaves them zero.
  escribe_real_le(r + 20, std::fabs(v.litros));
  escribe_real_le(r + 24, v.litros < 0 ? 1.0f : 0.0f);
  return std::string(reinterpret_cast<const char*>(r), kLargoAxxus);
}

}  // namespace surtidor
