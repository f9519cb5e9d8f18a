// A tank's true shape (a lying cylinder or a table of points): litres at a
// level and the level of so many litres.
#include "qtr10/curva.h"

#include <algorithm>
#include <cmath>

namespace qtr10 {

Curva Curva::cilindro(double diametro_mm, double largo_mm) {
  Curva c;
  c.diametro_ = diametro_mm;
  c.largo_ = largo_mm;
  return c;
}

Curva Curva::tabla(std::vector<std::pair<double, double>> puntos) {
  Curva c;
  c.puntos_ = std::move(puntos);
  return c;
}

bool Curva::valida(const std::vector<std::pair<double, double>>& puntos) {
  if (puntos.size() < 2 || puntos[0].first != 0 || puntos[0].second < 0) return false;
  for (size_t i = 1; i < puntos.size(); ++i) {
    if (puntos[i].first <= puntos[i - 1].first || puntos[i].second <= puntos[i - 1].second) {
      return false;
    }
  }
  return true;
}

double Curva::altura() const { return puntos_.empty() ? diametro_ : puntos_.back().first; }

double Curva::litros(double mm) const {
  mm = std::clamp(mm, 0.0, altura());
  if (puntos_.empty()) {
    // Circular segment area times length; mm² · mm is 1e-6 litres.
    double r = diametro_ / 2;
    double d = r - mm;
    double area = r * r * std::acos(std::clamp(d / r, -1.0, 1.0)) -
                  d * std::sqrt(std::max(0.0, 2 * r * mm - mm * mm));
    return area * largo_ / 1e6;
  }
  auto sig = std::upper_bound(puntos_.begin(), puntos_.end(), mm,
                              [](double v, const auto& p) { return v < p.first; });
  if (sig == puntos_.end()) return puntos_.back().second;
  auto ant = sig - 1;
  return ant->second + (sig->second - ant->second) * (mm - ant->first) / (sig->first - ant->first);
}

double Curva::nivel(double l) const {
  // Litres rise with the level, so halving finds it well below 1e-6 mm.
  double bajo = 0;
  double alto = altura();
  if (l <= litros(bajo)) return bajo;
  if (l >= litros(alto)) return alto;
  for (int i = 0; i < 60; ++i) {
    double medio = (bajo + alto) / 2;
    (litros(medio) < l ? bajo : alto) = medio;
  }
  return (bajo + alto) / 2;
}

}  // namespace qtr10
