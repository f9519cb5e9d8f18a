// The console's question about a tank's sales, and the station's answer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "foundation/fecha_bcd.h"

namespace qtr10 {

constexpr size_t kLargoPregunta = 42;  // three periods of two dates

struct Periodo {
  fecha_bcd inicio{};
  fecha_bcd fin{};
};

struct PreguntaVenta {
  uint8_t tanque = 0;             // zero-based
  bool larga = false;             // the long answer carries one code per period
  std::vector<Periodo> periodos;  // at most 3 are asked
};

// The 42 question bytes; periods not asked are all 0xFF, which ends the list.
void escribe_pregunta(const PreguntaVenta& p, uint8_t destino[kLargoPregunta]);

// One answer as the station sent it.
struct RespuestaVenta {
  int64_t ms = 0;  // when it arrived
  bool larga = false;
  uint8_t tanque = 0;
  uint8_t estado = 0;  // short form: the first non-zero code; long form: 0xFE
  float litros[3] = {};
  uint8_t codigos[3] = {};  // long form only
};

// The answer in a checked frame's body (17 bytes short, 20 long).
RespuestaVenta lee_respuesta_venta(const uint8_t* cuerpo, size_t n);

}  // namespace qtr10
