// A fuel delivery as the console reports it: 45 bytes, kept as received.
#pragma once

#include <cstdint>
#include <string>

#include "inventory/registro_tanque.h"

constexpr int kEntradasDescarga = 32;  // two per tank

struct registro_descarga {
  uint8_t b[45];
  // Offset 22, the year of the delivery's date, is 0 in an empty entry.
  bool vacia() const { return b[22] == 0; }
};

// The delivery section of the stock report: for t < n, entries 2t and 2t+1
// that are not empty, ten lines each.
std::string seccion_descargas(const registro_descarga tabla[kEntradasDescarga], uint32_t n);

// The stock section: one block per tank for t < n (at most 16).
std::string seccion_stock(const registro_tanque tanques[kTanquesConsola], uint32_t n);

// Writes the stock report file (both sections) at `ruta`; failures are logged
// (62, 63, 64) and the report given up or continued.
void escribe_informe_stock(const char* ruta, const registro_tanque tanques[kTanquesConsola],
                           const registro_descarga tabla[kEntradasDescarga], uint32_t n);
