// The curve update: one captured point rewrites the working table around
// its level.
#pragma once

#include "calibration/tabla_calib.h"

// A stretch in which the level fell only through sales: from `alto` down to
// `bajo` mm while `litros` were sold.
struct punto_captura {
  float alto = 0;
  float bajo = 0;
  float litros = 0;
};

// Snaps the stretch to the table step nearest it, gives that step the
// measured slope (litres per mm), keeps the curve continuous with the step
// below, smooths the step above and lifts every higher point by as much.
// `p` becomes the snapped stretch. False, with nothing changed, when the
// stretch lies in the table's top step. `paso_mm` is the spacing of the
// table's points.
bool aplica_captura(tabla_calib& t, float paso_mm, punto_captura& p);
