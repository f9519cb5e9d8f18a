// The working table: made from the console's table (g100), and read by
// straight lines between its points.
#include "calibration/g100.h"

#include <cstring>

#include "app/CNivaraDlg.h"
#include "foundation/gl.h"
#include "foundation/mensajes.h"

float interpola(const tabla_calib& t, float mm) {
  const punto_calib* p = t.puntos;
  int k = 0;
  for (; k < kPuntosTabla - 1; ++k) {
    if (!(p[k].mm < mm)) break;
    if (p[k + 1].litros == -1.0f) break;
    if (!(p[k + 1].mm < mm)) {
      // Double inside; only the result is kept as a float.
      const double l0 = p[k].litros, l1 = p[k + 1].litros;
      const double m0 = p[k].mm, m1 = p[k + 1].mm;
      return static_cast<float>(l0 + (l1 - l0) * (mm - m0) / (m1 - m0));
    }
  }
  return p[k].litros;
}

unsigned genera_tabla(tabla_calib& consola, tabla_calib* trabajo) {
  const punto_calib* p = consola.puntos;
  int n = 1;
  for (; n < kPuntosTabla; ++n) {
    if (p[n].litros == -1.0f) break;
    // Negated so that a NaN counts as not rising.
    if (!(p[n].mm > p[n - 1].mm) || !(p[n].litros > p[n - 1].litros)) return MSJ_G100_INCONSISTENTE;
  }
  if (n < 2) return MSJ_G100_POCOS_PUNTOS;
  consola.campo_42 = 0;

  const float ultimo = p[n - 1].mm;
  if (consola.diametro_tank != ultimo) {
    const float d = consola.diametro_tank - ultimo;
    if (d >= 1.0f || d <= -1.0f) return MSJ_G100_DIAMETRO;
    consola.diametro_tank = ultimo;  // a rounding slip, not a different tank
  }

  tabla_calib& w = *trabajo;
  std::memset(&w, 0, sizeof w);
  // Summed step by step in single precision: point 99 may sit a hair off
  // the height, and the table's height is taken from it.
  const float paso = consola.diametro_tank / 99.0f;
  float h = 0.0f;
  for (int i = 0; i < kPuntosTabla; ++i) {
    float litros = interpola(consola, h);
    // Points below the first console level would all read 0; the work on
    // the table needs litres that rise.
    if (i > 0 && litros == 0.0f) litros = w.puntos[i - 1].litros + 0.01f;
    w.puntos[i] = {litros, h, 0.0f};
    h += paso;
  }

  w.version_formato = consola.version_formato;
  // A text: nothing after its NUL is carried over.
  for (size_t i = 0; i < sizeof w.etiqueta && consola.etiqueta[i] != '\0'; ++i) {
    w.etiqueta[i] = consola.etiqueta[i];
  }
  w.diametro_tank = w.puntos[kPuntosTabla - 1].mm;
  w.capacidad = w.puntos[kPuntosTabla - 1].litros;
  const uint16_t suma = suma_tabla(w);
  w.suma[0] = static_cast<uint8_t>(suma >> 8);
  w.suma[1] = static_cast<uint8_t>(suma);
  return 0;
}

// Generates the 100-point working table from the console table.
bool CNivaraDlg::g100() {
  const unsigned codigo = genera_tabla(calib.tabla_qtr, &calib.tabla_trabajo);
  if (codigo != 0) {
    gl(codigo);
    return false;
  }
  return true;
}
