// The forecourt controller's side of the sales file: a sale written as a
// record of each of the ten controller layouts, and the sales files made of
// them. The tests make their sales files with it, and the forecourt
// simulator writes its sales through it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "foundation/fecha_bcd.h"

namespace surtidor {

constexpr int kCierreTurno = 99;  // pump and nozzle of a shift-closing line

struct venta_surtidor {
  fecha_bcd fecha{};   // the weekday is not written
  int surtidor = 1;    // pump
  int pico = 1;        // nozzle
  int tanque = 1;      // 1..16; written where the layout has a tank field
  float litros = 0;    // negative: a return, marked as the layout marks one
  float contador = 0;  // the nozzle's meter reading after the sale (WOLF)
};

// A shift close at `fecha`. Only layouts with pump and nozzle fields can
// carry one.
venta_surtidor cierre_de_turno(const fecha_bcd& fecha);

// Whether controller `tipo` writes its newest sale as the first line of the
// file (else as the last).
bool nuevas_primero(int32_t tipo);

// The sale as one record line of controller `tipo`, ended by CR LF; empty for
// an unknown type. Layouts without a sign field write a return's litres with
// a minus sign, as such a controller shows it. For SVS AXXUS this is the line
// of the converted text file; the controller's own file holds the binary
// record of registro_axxus.
std::string linea_venta(int32_t tipo, const venta_surtidor& v);

constexpr size_t kLargoAxxus = 28;

// SVS AXXUS's 28-byte record, little-endian: the date as the double
// DDMMYY.hhmmss, nozzle, pump, 4 unused bytes, litres and the sign flag (1 for
// a return), all single reals but the date.
std::string registro_axxus(const venta_surtidor& v);

// A whole sales file of controller `tipo` holding `ventas` (given oldest
// first) in the controller's order; for SVS AXXUS the binary records.
std::string archivo_ventas(int32_t tipo, const std::vector<venta_surtidor>& ventas);

// Adds a sale to the file at `ruta` as the controller does: at the end, or at
// the start for a controller that writes newest first (then the file is
// replaced whole, so a reader never meets half of it). A missing file is
// created. False, with the reason in `*error`, when the file cannot be written.
bool agrega_venta(const std::string& ruta, int32_t tipo, const venta_surtidor& v,
                  std::string* error);

}  // namespace surtidor
