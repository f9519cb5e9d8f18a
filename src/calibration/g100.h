// The 100-point working table, made from whatever table the console holds.
#pragma once

#include "calibration/tabla_calib.h"

// Litres at level `mm` by straight lines between the points. At or below the
// first point its litres; above the last valid point that point's litres.
float interpola(const tabla_calib& t, float mm);

// Checks the console table (host order) and writes into `trabajo` 100 points
// at equal steps from 0 to the tank's height, checksum set. Returns 0, or the
// catalogue code of the fault (MSJ_G100_DIAMETRO, MSJ_G100_INCONSISTENTE,
// MSJ_G100_POCOS_PUNTOS); on a fault `trabajo` is left as it was. Clears
// field 42 of `consola` and, when its height is less than 1 mm off the last
// level, snaps the height to that level.
unsigned genera_tabla(tabla_calib& consola, tabla_calib* trabajo);
