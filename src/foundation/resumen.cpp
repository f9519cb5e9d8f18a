// The lines of the configuration summary, and printf into a std::string.
#include "foundation/resumen.h"

#include <cstdarg>
#include <cstdio>

namespace {

// The polling periods are fixed in the program; the summary reports them.
constexpr double kSegundosRW = 60.0;
constexpr double kSegundosVentas = 30.0;
// Map pairs beyond these are kept but not listed.
constexpr int32_t kSurtidorMaximo = 32;
constexpr int32_t kPicoMaximo = 8;

}  // namespace

std::string formatea(const char* formato, ...) {
  va_list args;
  va_start(args, formato);
  va_list copia;
  va_copy(copia, args);
  int n = std::vsnprintf(nullptr, 0, formato, copia);
  va_end(copia);
  std::string s(n > 0 ? static_cast<size_t>(n) : 0, '\0');
  if (n > 0) std::vsnprintf(s.data(), s.size() + 1, formato, args);
  va_end(args);
  return s;
}

std::vector<std::string> lineas_configuracion(const configuracion_tnq& c, bool* error) {
  std::vector<std::string> l;
  l.push_back("File Ventas: " + c.file_ventas());
  l.push_back("Usuario: " + c.usuario());
  l.push_back("Password: " + c.password());
  l.push_back("File Stocks: " + c.file_stock());
  const char* nombre = nombre_controlador(c.controlador());
  if (nombre == nullptr) {
    l.push_back(formatea("Error: Controlador: %d Desconocido", c.controlador()));
    *error = true;
    return l;
  }
  l.push_back(std::string("Controlador: ") + nombre);
  l.push_back(formatea("TRW: %.f Seg", kSegundosRW));
  l.push_back(formatea("TRFV: %.f Seg", kSegundosVentas));
  l.push_back(formatea("QTR10: IP %d.%d.%d.%d  Port %d", c.ip(0), c.ip(1), c.ip(2), c.ip(3),
                       static_cast<int>(c.puerto())));
  for (int t = 0; t < kTanques; ++t) {
    for (int k = 0; k < kParesPorTanque; ++k) {
      int32_t s = c.surtidor(t, k);
      int32_t pico = c.pico(t, k);
      if (s != 0 && s <= kSurtidorMaximo && pico <= kPicoMaximo) {
        l.push_back(formatea("T%d  S%.2d  P%d", t + 1, s, pico));
      }
    }
  }
  for (int t = 0; t < kTanques; ++t) {
    l.push_back(formatea("Genera %.2d.tan = %d  ActuQTR %d", t + 1, static_cast<int>(c.genera(t)),
                         static_cast<int>(c.actu_qtr(t))));
  }
  return l;
}
