// A tank's true shape: litres at each level, and back.
#pragma once

#include <utility>
#include <vector>

namespace qtr10 {

class Curva {
 public:
  // A horizontal cylinder lying on its side; millimetres.
  static Curva cilindro(double diametro_mm, double largo_mm);
  // Straight lines between points {mm, litres}; both rise strictly, the
  // first at 0 mm. Curva::valida tells whether they do.
  static Curva tabla(std::vector<std::pair<double, double>> puntos);
  static bool valida(const std::vector<std::pair<double, double>>& puntos);

  double litros(double mm) const;  // clamped to the tank
  double nivel(double litros) const;
  double altura() const;
  double capacidad() const { return litros(altura()); }

 private:
  Curva() = default;
  double diametro_ = 0;
  double largo_ = 0;
  std::vector<std::pair<double, double>> puntos_;  // empty for a cylinder
};

}  // namespace qtr10
