// "table": calibration table files for people: print, compare, plot.
#pragma once

#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "calibration/tabla_calib.h"

namespace admin {

// Each returns the exit status: 0 done, 1 a file unreadable or damaged
// (reasons on `errores`). A damaged table of the right size is still shown:
// that is when people want to look at it.
int tabla_print(const std::string& ruta, std::ostream& salida, std::ostream& errores);
// Litres of two tables at the same levels: every level of either within
// those both cover, each table read there by straight lines between its
// points. 1 also when they differ by more than `tolerancia` litres at a level.
constexpr double kToleranciaTablas = 0.5;
int tabla_compare(const std::string& ruta_a, const std::string& ruta_b, double tolerancia,
                  std::ostream& salida, std::ostream& errores);
// Litres against level of one or two tables, as an SVG file.
int tabla_plot(const std::vector<std::string>& rutas, const std::string& ruta_svg,
               std::ostream& errores);

// Points in use: those before the end marker.
int puntos_en_uso(const tabla_calib& t);

// The SVG text of the plot; each table (host order) with its name.
std::string svg_tablas(const std::vector<std::pair<std::string, tabla_calib>>& tablas);

}  // namespace admin
