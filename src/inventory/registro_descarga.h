// A fuel delivery as the console reports it: 45 bytes, kept as received.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "inventory/registro_tanque.h"

constexpr int kEntradasDescarga = 32;  // two per tank
constexpr size_t kLargoDescarga = 45;

// Where the fields lie; numbers are big-endian.
namespace descarga {
constexpr size_t kProducto = 0;            // 16 bytes of text, not necessarily NUL-ended
constexpr size_t kFecha = 16;              // fecha_bcd
constexpr size_t kAnio = 22;               // the date's year; 0 in an empty entry
constexpr size_t kTanque = 23;             // zero-based
constexpr size_t kLitrosInicial = 24;      // real
constexpr size_t kLitrosFinal = 28;        // real
constexpr size_t kMarcas = 44;             // which figures are doubtful:
constexpr uint8_t kInicialMarcado = 0x05;  // the initial litres
constexpr uint8_t kFinalMarcado = 0x0A;    // the final litres
}  // namespace descarga

struct registro_descarga {
  uint8_t b[kLargoDescarga];
  bool vacia() const { return b[descarga::kAnio] == 0; }
  void marca_vacia() { b[descarga::kAnio] = 0; }
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
