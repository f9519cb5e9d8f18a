// The curve update of the working table from one captured point.
#include <cmath>

#include "app/CNivaraDlg.h"
#include "calibration/curva.h"
#include "foundation/gl.h"
#include "foundation/mensajes.h"

namespace {

// The last point a step may start at: its upper point must exist.
constexpr int kUltimoTramo = kPuntosTabla - 2;

}  // namespace

bool aplica_captura(tabla_calib& t, float paso_mm, punto_captura& p) {
  punto_calib* q = t.puntos;
  const float m = p.litros / (p.alto - p.bajo);
  int k = static_cast<int>(p.bajo / paso_mm);
  if (k > kUltimoTramo) return false;

  // The nearest table level to either end decides the step; on a tie the
  // later distance in this order wins.
  const float kf = static_cast<float>(k);
  const float e[4] = {std::fabs(p.bajo - kf * paso_mm), std::fabs(p.bajo - (kf + 1) * paso_mm),
                      std::fabs(p.alto - (kf + 1) * paso_mm),
                      std::fabs(p.alto - (kf + 2) * paso_mm)};
  int menor = 0;
  for (int i = 1; i < 4; ++i) {
    if (e[i] <= e[menor]) menor = i;
  }
  if (menor % 2 == 1) ++k;
  // A step from point 99 to a point 100 that does not exist.
  if (k > kUltimoTramo) return false;

  p.bajo = static_cast<float>(k) * paso_mm;
  p.alto = static_cast<float>(k + 1) * paso_mm;
  p.litros = m * paso_mm;
  const float medio = (p.alto + p.bajo) / 2;

  // The step below anchors the new one.
  float nivel_ancla = 0, litros_ancla = 0, pendiente_ancla = 0;
  if (k == 1) {
    nivel_ancla = q[1].mm / 2;
    litros_ancla = q[1].litros / 2;
    pendiente_ancla = litros_ancla / nivel_ancla;
  } else if (k >= 2) {
    nivel_ancla = (q[k - 2].mm + q[k - 1].mm) / 2;
    litros_ancla = (q[k - 2].litros + q[k - 1].litros) / 2;
    pendiente_ancla = (q[k - 1].litros - q[k - 2].litros) / (q[k - 1].mm - q[k - 2].mm);
  }
  const float a = (medio - nivel_ancla) / 2;
  const float base = (pendiente_ancla + m) * a + litros_ancla;

  q[k].mm = p.bajo;
  q[k + 1].mm = p.alto;
  q[k].litros = base - p.litros / 2;
  q[k + 1].litros = base + p.litros / 2;
  q[k].pendiente = q[k + 1].pendiente = m;

  // The step above follows, and everything higher keeps its shape.
  if (k <= kPuntosTabla - 4) {
    const float medio_siguiente = (q[k + 2].mm + q[k + 3].mm) / 2;
    const float b = (medio_siguiente - medio) / 2;
    const float subida = q[k + 3].litros - q[k + 2].litros;
    const float pendiente_siguiente = subida / (q[k + 3].mm - q[k + 2].mm);
    const float antes = q[k + 2].litros;
    q[k + 2].litros = (m + pendiente_siguiente) * b + base - subida / 2;
    const float alza = q[k + 2].litros - antes;
    for (int i = k + 3; i < kPuntosTabla; ++i) q[i].litros += alza;
  } else if (k == kPuntosTabla - 3) {
    q[kPuntosTabla - 1].litros = m * a + base;
  }
  t.capacidad = q[kPuntosTabla - 1].litros;
  return true;
}

bool CNivaraDlg::pcc(int /*tanque*/) {
  if (!aplica_captura(calib.tabla_trabajo, calib.paso_mm, calib.captura)) {
    gl(MSJ_PCC_INDICE);
    return false;
  }
  return true;
}
