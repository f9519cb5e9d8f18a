// The console's calibration table of one tank, kept as it travels: 1246
// bytes, numbers big-endian, 100 points of {litres, mm, measured slope}.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "foundation/fecha_bcd.h"
#include "qtr10/curva.h"

namespace qtr10 {

constexpr size_t kLargoTabla = 1246;
constexpr int kPuntosTabla = 100;
using TablaConsola = std::array<uint8_t, kLargoTabla>;

// 100 points at equal steps from the bottom to the top of `curva`, the
// litres times `escala` (a console that was calibrated badly has a scale
// other than 1). `etiqueta` is cut to 16 characters.
TablaConsola tabla_de_curva(const Curva& curva, double escala, std::string_view etiqueta,
                            const fecha_bcd& hoy);

// Litres at `mm` by straight lines between the table's points, as the
// console turns its level readings into volume; below the first point its
// litres, above the last valid point that point's litres.
double litros_por_tabla(const TablaConsola& t, double mm);
// Litres of the last valid point.
double capacidad_tabla(const TablaConsola& t);

// A point's fields, host order.
struct PuntoTabla {
  float litros;
  float mm;
  float pendiente;
};
PuntoTabla punto_tabla(const TablaConsola& t, int k);

}  // namespace qtr10
