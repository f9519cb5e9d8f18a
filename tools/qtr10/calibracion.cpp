// The console's calibration table: built from a tank's curve, its points,
// and litres read through it.
#include "qtr10/calibracion.h"

#include <algorithm>
#include <cstring>

#include "qtr10/trama.h"

namespace qtr10 {

namespace {

constexpr size_t kVersion = 0;
constexpr size_t kEtiqueta = 2;
constexpr size_t kFechaDia = 19;
constexpr size_t kAltura = 34;
constexpr size_t kCapacidad = 38;
constexpr size_t kPuntos = 44;
constexpr size_t kSuma = 1244;
constexpr float kFinTabla = -1.0f;

}  // namespace

PuntoTabla punto_tabla(const TablaConsola& t, int k) {
  const uint8_t* p = t.data() + kPuntos + 12 * static_cast<size_t>(k);
  return {lee_f32_be(p), lee_f32_be(p + 4), lee_f32_be(p + 8)};
}

TablaConsola tabla_de_curva(const Curva& curva, double escala, std::string_view etiqueta,
                            const fecha_bcd& hoy) {
  TablaConsola t{};
  pon_u16_be(t.data() + kVersion, 3);
  std::memcpy(t.data() + kEtiqueta, etiqueta.data(), std::min<size_t>(etiqueta.size(), 16));
  t[kFechaDia] = hoy.dia;
  t[kFechaDia + 1] = hoy.mes;
  t[kFechaDia + 2] = hoy.anio;
  const double altura = curva.altura();
  float ultimos_litros = 0;
  for (int k = 0; k < kPuntosTabla; ++k) {
    double mm = altura * k / (kPuntosTabla - 1);
    uint8_t* p = t.data() + kPuntos + 12 * static_cast<size_t>(k);
    ultimos_litros = static_cast<float>(curva.litros(mm) * escala);
    pon_f32_be(p, ultimos_litros);
    pon_f32_be(p + 4, static_cast<float>(mm));
  }
  pon_f32_be(t.data() + kAltura, static_cast<float>(altura));
  pon_f32_be(t.data() + kCapacidad, ultimos_litros);
  pon_u16_be(t.data() + kSuma, suma16(t.data(), kSuma));
  return t;
}

namespace {

// Points before the end marker; a programmed table may hold anything.
int puntos_validos(const TablaConsola& t) {
  int n = 0;
  while (n < kPuntosTabla && punto_tabla(t, n).litros != kFinTabla) ++n;
  return n;
}

}  // namespace

double litros_por_tabla(const TablaConsola& t, double mm) {
  int n = puntos_validos(t);
  if (n == 0) return 0;
  PuntoTabla a = punto_tabla(t, 0);
  if (mm <= a.mm) return a.litros;
  for (int k = 1; k < n; ++k) {
    PuntoTabla b = punto_tabla(t, k);
    if (mm <= b.mm) {
      if (b.mm <= a.mm) return b.litros;
      return a.litros + (static_cast<double>(b.litros) - a.litros) * (mm - a.mm) / (b.mm - a.mm);
    }
    a = b;
  }
  return a.litros;
}

double capacidad_tabla(const TablaConsola& t) {
  int n = puntos_validos(t);
  return n == 0 ? 0 : punto_tabla(t, n - 1).litros;
}

}  // namespace qtr10
