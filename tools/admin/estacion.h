// The station file: a readable text form of the configuration record of
// tnq.ini, one "key = value" setting a line.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/tnq.h"

namespace admin {

struct error_estacion {
  int linea;  // 1-based; 0 when the fault is the file's as a whole
  std::string texto;
};

// Builds `c` (all other bytes zero) from a station text. Every faulty line is
// reported; false when there was any.
bool lee_estacion(std::string_view texto, configuracion_tnq& c,
                  std::vector<error_estacion>& errores);

// The station text of a record, in the order and spelling lee_estacion
// reads back.
std::string imprime_estacion(const configuracion_tnq& c);

// A whole tnq.ini holding the one record.
std::vector<uint8_t> archivo_tnq(const configuracion_tnq& c);

}  // namespace admin
