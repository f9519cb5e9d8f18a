// How close the automatic calibration brings a tank's working table to the
// tank itself: a station run in virtual time against the simulated console
// and forecourt, whose true tank is known, day after day.
#pragma once

#include <string>
#include <vector>

#include "calibration/tabla_calib.h"
#include "platform/sim_platform.h"

namespace calidad {

// One tank, a horizontal cylinder of 2000 x 10000 mm, whose console table
// holds the true litres times `escala_tabla`; sales of 15 to 30 L from one
// nozzle; 16,000 L delivered every 36 hours.
struct Escenario {
  int dias = 30;
  double ruido_mm = 0.5;       // the gauge's noise
  double escala_tabla = 0.96;  // the console's first table against the truth
  double ventas_hora = 20;
  double error_medidor = 0;  // % the nozzle's meter counts over the true litres
};

// At the end of a day, over the levels the tank has gone through so far.
struct Dia {
  double banda_baja = 0, banda_alta = 0;  // mm
  double mayor = 0, media = 0;            // litres the working table is off
};

struct Resultado {
  std::vector<Dia> dias;
  // Host order, at the working table's levels.
  tabla_calib verdad{};
  tabla_calib consola_inicial{};
  tabla_calib trabajo{};
  int versiones = 0;  // table versions programmed into the console
};

// Runs the station on `sim`, installed and with an empty folder, from its
// clock's present moment.
Resultado mide(const Escenario& e, plat::SimPlatform& sim);

// The day table for people, and an SVG of the three curves and the error
// per day.
std::string texto(const Resultado& r);
std::string svg(const Resultado& r);

}  // namespace calidad
