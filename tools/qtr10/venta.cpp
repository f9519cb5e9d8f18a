// The console's sale question, and reading the station's answer to it.
#include "qtr10/venta.h"

#include <cstring>

#include "qtr10/trama.h"

namespace qtr10 {

void escribe_pregunta(const PreguntaVenta& p, uint8_t destino[kLargoPregunta]) {
  std::memset(destino, 0xFF, kLargoPregunta);
  for (size_t i = 0; i < p.periodos.size() && i < 3; ++i) {
    std::memcpy(destino + 14 * i, &p.periodos[i].inicio, 7);
    std::memcpy(destino + 14 * i + 7, &p.periodos[i].fin, 7);
  }
}

RespuestaVenta lee_respuesta_venta(const uint8_t* cuerpo, size_t n) {
  RespuestaVenta r;
  if (n < 17) return r;
  r.larga = cuerpo[0] == 'g';
  r.tanque = cuerpo[1];
  r.estado = cuerpo[2];
  for (int i = 0; i < 3; ++i) r.litros[i] = lee_f32_be(cuerpo + 3 + 4 * i);
  if (r.larga && n >= 20) std::memcpy(r.codigos, cuerpo + 15, 3);
  return r;
}

}  // namespace qtr10
