// A sale as a record line of each controller layout.
#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#include "sales/controladores.h"
#include "surtidor/surtidor.h"

namespace surtidor {

namespace {

std::string formato(const char* f, ...) __attribute__((format(printf, 1, 2)));
std::string formato(const char* f, ...) {
  char texto[256];
  va_list a;
  va_start(a, f);
  const int n = std::vsnprintf(texto, sizeof texto, f, a);
  va_end(a);
  return std::string(texto, n < 0 ? 0 : std::min<size_t>(static_cast<size_t>(n), sizeof texto - 1));
}

// The magnitude with two decimals, or with more where two would not read back
// as the same single real; never longer than the 12 characters the station
// reads of a real field, while it fits at all.
std::string texto_real(float v) {
  const float m = std::fabs(v);
  std::string t = formato("%.2f", static_cast<double>(m));
  for (int decimales = 3; decimales <= 9; ++decimales) {
    if (static_cast<float>(std::strtod(t.c_str(), nullptr)) == m) break;
    const std::string mas = formato("%.*f", decimales, static_cast<double>(m));
    if (mas.size() > 12) break;
    t = mas;
  }
  return t;
}

struct partes {
  int anio, mes, dia, hora, minuto, segundo;  // anio: two digits
};

partes partes_de(const fecha_bcd& f) {
  auto b = [](uint8_t x) { return static_cast<int>(bcd_a_bin(x)); };
  return {b(f.anio), b(f.mes), b(f.dia), b(f.hora), b(f.minuto), b(f.segundo)};
}

}  // namespace

venta_surtidor cierre_de_turno(const fecha_bcd& fecha) {
  venta_surtidor v;
  v.fecha = fecha;
  v.surtidor = kCierreTurno;
  v.pico = kCierreTurno;
  return v;
}

bool nuevas_primero(int32_t tipo) {
  return tipo == CONTROLADOR_WOLF || tipo == CONTROLADOR_PIRCAL || tipo == CONTROLADOR_CALDEN_OIL;
}

std::string linea_venta(int32_t tipo, const venta_surtidor& v) {
  const partes p = partes_de(v.fecha);
  const int anio = 2000 + p.anio;
  const bool devolucion = v.litros < 0;
  const std::string litros = texto_real(v.litros);
  const std::string con_menos = (devolucion ? "-" : "") + litros;
  // What the station does not read still looks like a controller's: a
  // ticket, the product of the nozzle, its price and the amount.
  const int ticket = p.hora * 3600 + p.minuto * 60 + p.segundo;
  const int producto = 1 + (v.pico > 0 ? (v.pico - 1) % 3 : 0);
  const double precio = 1.049 + 0.1 * producto;
  const double importe = std::fabs(static_cast<double>(v.litros)) * precio;

  switch (tipo) {
    case CONTROLADOR_WOLF:
      return formato("%05d;%02d;%d;%d;%.3f;%s;%.2f;%d;%04d-%02d-%02d %02d:%02d:%02d;1;%s\r\n",
                     ticket, v.surtidor, v.pico, producto, precio, litros.c_str(), importe,
                     devolucion ? 2 : 1, anio, p.mes, p.dia, p.hora, p.minuto, p.segundo,
                     texto_real(v.contador).c_str());
    case CONTROLADOR_SVS_WIDE:
    case CONTROLADOR_SVS_WIDE_HN:
    case CONTROLADOR_SVS_NARROW: {
      const std::string fecha = tipo == CONTROLADOR_SVS_NARROW
                                    ? formato("%02d%02d%02d", p.dia, p.mes, p.anio)
                                    : formato("%02d%02d%04d", p.dia, p.mes, anio);
      // SVS-WIDE-HN leaves out the leading zero of an hour below 10.
      const std::string hora = tipo == CONTROLADOR_SVS_WIDE_HN
                                   ? formato("%d%02d%02d", p.hora, p.minuto, p.segundo)
                                   : formato("%02d%02d%02d", p.hora, p.minuto, p.segundo);
      return formato("01 1 %s %s %02d %02d %d %.3f %.2f %s\r\n", fecha.c_str(), hora.c_str(),
                     v.surtidor, v.pico, producto, precio, importe, con_menos.c_str());
    }
    case CONTROLADOR_PETROSOFT_X_PICO:
    case CONTROLADOR_PETROSOFT_X_TANQUE:
      return formato("%05d,%02d/%02d/%02d,%02d:%02d:%02d,%02d,%d,%d,%s,%.3f,%.2f,ARS,1,0,1,%d\r\n",
                     ticket, p.dia, p.mes, p.anio, p.hora, p.minuto, p.segundo, v.surtidor, v.pico,
                     producto, con_menos.c_str(), precio, importe, v.tanque);
    case CONTROLADOR_PIRCAL:
      return formato("%05d,%02d/%02d/%04d %02d:%02d:%02d,%d,%s,%d\r\n", ticket, p.mes, p.dia, anio,
                     p.hora, p.minuto, p.segundo, producto, con_menos.c_str(), v.tanque);
    case CONTROLADOR_CALDEN_OIL:
      return formato("%04d-%02d-%02d %02d:%02d:%02d;%d;%02d;%s;%d\r\n", anio, p.mes, p.dia, p.hora,
                     p.minuto, p.segundo, v.surtidor, v.pico, litros.c_str(), devolucion ? 1 : 0);
    case CONTROLADOR_FUSION_WAYNE:
      return formato("%05d;%02d/%02d/%04d %02d:%02d:%02d;%d;%d;%s;%d\r\n", ticket, p.mes, p.dia,
                     anio, p.hora, p.minuto, p.segundo, v.surtidor, v.pico, litros.c_str(),
                     devolucion ? 1 : 0);
    case CONTROLADOR_SVS_AXXUS:
      // The station's conversion of the binary record writes this line.
      return formato("%d-%.2d-%.2d %.2d:%.2d:%.2d;%d;%d;%f;%d\r\n", anio, p.mes, p.dia, p.hora,
                     p.minuto, p.segundo, v.surtidor, v.pico,
                     std::fabs(static_cast<double>(v.litros)), devolucion ? 1 : 0);
    default: return {};
  }
}

}  // namespace surtidor
