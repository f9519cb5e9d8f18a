// The sales file path and the tank, sign and meter rules of a sale; see
// reglas_venta.h.
#include "sales/reglas_venta.h"

#include "sales/controladores.h"

std::string ruta_ventas(const configuracion_tnq& c) {
  return c.file_ventas().substr(0, tnq::kLargoFileVentas - 1);
}

bool en_recurso_compartido(const std::string& ruta) { return ruta.rfind("\\\\", 0) == 0; }

std::string recurso_de(const std::string& ruta) {
  const size_t corte = ruta.find_last_of('\\');
  return corte == std::string::npos || corte == 0 ? ruta : ruta.substr(0, corte);
}

bool pico_de_estacion(int32_t tipo) {
  return tipo == CONTROLADOR_CALDEN_OIL || tipo == CONTROLADOR_FUSION_WAYNE;
}

int32_t pico_maximo(int32_t tipo) {
  return pico_de_estacion(tipo) ? kPicoMaximoEstacion : kPicoMaximoSurtidor;
}

int32_t tanque_del_par(const configuracion_tnq& c, int32_t tipo, int32_t surtidor, int32_t pico) {
  const bool solo_pico = pico_de_estacion(tipo);
  for (int t = 0; t < kTanques; ++t) {
    for (int par = 0; par < kParesPorTanque; ++par) {
      if (c.pico(t, par) == pico && (solo_pico || c.surtidor(t, par) == surtidor)) return t;
    }
  }
  return -1;
}

float litros_con_signo(int32_t tipo, int32_t signo, float litros) {
  const bool devolucion = (tipo == CONTROLADOR_WOLF && signo == 2) ||
                          (tipo == CONTROLADOR_CALDEN_OIL && signo == 1) ||
                          (tipo == CONTROLADOR_SVS_AXXUS && signo != 0);
  return devolucion ? -litros : litros;
}

int indice_contador(int32_t surtidor, int32_t pico) {
  const int64_t i = (int64_t{surtidor} - 1) * kParesPorTanque + (int64_t{pico} - 1);
  return i >= 0 && i < kContadores ? static_cast<int>(i) : -1;
}

float total_contador_tanque(const configuracion_tnq& c, int tanque,
                            const float tabla[kContadores]) {
  float total = 0.0f;
  for (int par = 0; par < kParesPorTanque; ++par) {
    const int32_t surtidor = c.surtidor(tanque, par);
    if (surtidor == 0) continue;
    const int i = indice_contador(surtidor, c.pico(tanque, par));
    if (i < 0 || tabla[i] == 0.0f) return -1.0f;
    total += tabla[i];
  }
  return total;
}
