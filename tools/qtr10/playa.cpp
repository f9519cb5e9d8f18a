// The forecourt: sales drawn at random, sold from the tanks and written to
// the sales file through the controller layout writer.
#include "qtr10/playa.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "qtr10/reloj.h"
#include "sales/controladores.h"
#include "surtidor/surtidor.h"

namespace qtr10 {

namespace {

constexpr int64_t kMsSegundo = 1000;
constexpr int64_t kMsMinuto = 60 * kMsSegundo;
constexpr int64_t kMsHora = 60 * kMsMinuto;
constexpr int64_t kMsDia = 24 * kMsHora;
// Meters start somewhere in this range, as on pumps that have sold before.
constexpr double kContadorMin = 1000, kContadorMax = 50000;

double centesimos(double x) { return std::round(x * 100) / 100; }

}  // namespace

bool VentaHecha::cierre() const {
  return surtidor == surtidor::kCierreTurno && pico == surtidor::kCierreTurno;
}

Playa::Playa(const ConfigPlaya& config, const std::vector<ConfigTanque>& tanques,
             int64_t arranque_ms)
    : config_(config), azar_(config.semilla), libre_ms_(arranque_ms) {
  const fila_controlador* fila = busca_controlador(config_.controlador);
  if (fila == nullptr || config_.archivo.empty()) return;
  for (size_t t = 0; t < tanques.size(); ++t) {
    for (const ConfigPico& p : tanques[t].picos) {
      const double contador = centesimos(kContadorMin + uniforme() * (kContadorMax - kContadorMin));
      picos_.push_back({static_cast<int>(t), p.surtidor, p.pico, 1 + p.error_pct / 100, contador});
    }
  }
  if (!picos_.empty() && config_.ventas_hora > 0) venta_ms_ = arranque_ms + intervalo_ms();
  // A shift close needs pump and nozzle fields that the station reads as such;
  // a layout with a tank field has them read as the tank.
  const bool con_cierres = fila->campo_tanque < 0 && fila->campo_surtidor >= 0;
  std::sort(config_.cierres_min.begin(), config_.cierres_min.end());
  if (con_cierres && !config_.cierres_min.empty()) cierre_ms_ = siguiente_cierre(arranque_ms);
}

// 53 random bits, so that a seed gives the same sales whatever the standard
// library's distributions do.
double Playa::uniforme() { return static_cast<double>(azar_() >> 11) * 0x1.0p-53; }

// Sales come as a Poisson stream: exponential gaps.
int64_t Playa::intervalo_ms() {
  const double media = static_cast<double>(kMsHora) / config_.ventas_hora;
  return std::max<int64_t>(1, std::llround(-std::log1p(-uniforme()) * media));
}

int64_t Playa::siguiente_cierre(int64_t desde_ms) const {
  const int64_t dia = desde_ms / kMsDia * kMsDia;
  for (int64_t d : {dia, dia + kMsDia}) {
    for (int m : config_.cierres_min) {
      if (d + m * kMsMinuto >= desde_ms) return d + m * kMsMinuto;
    }
  }
  return -1;
}

int64_t Playa::proxima_ms() const {
  int64_t t = venta_ms_ < 0    ? cierre_ms_
              : cierre_ms_ < 0 ? venta_ms_
                               : std::min(venta_ms_, cierre_ms_);
  if (t < 0) return -1;
  t = std::max(t, libre_ms_);
  return (t + kMsSegundo - 1) / kMsSegundo * kMsSegundo;  // on a whole second
}

void Playa::hasta(int64_t ms, std::vector<Tanque>& tanques, int64_t deriva_ms) {
  for (int64_t t = proxima_ms(); t >= 0 && t <= ms; t = proxima_ms()) {
    bool escrita;
    if (cierre_ms_ >= 0 && (venta_ms_ < 0 || cierre_ms_ <= venta_ms_)) {
      escrita = cierra(t);
      cierre_ms_ = siguiente_cierre(cierre_ms_ + 1);
    } else {
      escrita = vende(t, tanques, deriva_ms);
      venta_ms_ += intervalo_ms();
    }
    if (escrita) libre_ms_ = t + kMsSegundo;
  }
}

bool Playa::vende(int64_t ms, std::vector<Tanque>& tanques, int64_t deriva_ms) {
  // Every draw is made whatever comes of the sale, so the seed alone fixes
  // the stream.
  Pico& p = picos_[std::min(picos_.size() - 1, static_cast<size_t>(uniforme() * picos_.size()))];
  const double medidos =
      centesimos(config_.litros_min + uniforme() * (config_.litros_max - config_.litros_min));
  const bool devolucion = uniforme() * 100 < config_.devoluciones_pct;
  const bool nuevo = uniforme() * 100 < config_.archivo_nuevo_pct;

  VentaHecha v;
  v.surtidor = p.surtidor;
  v.pico = p.pico;
  v.tanque = p.tanque + 1;
  v.litros = static_cast<float>(devolucion ? -medidos : medidos);
  v.litros_tanque = v.litros / p.factor;
  v.contador = p.contador + v.litros;
  v.archivo_nuevo = nuevo;
  // A pump cannot sell what the tank does not hold, nor put back more than
  // fits.
  Tanque& tanque = tanques[static_cast<size_t>(p.tanque)];
  tanque.avanza(ms, deriva_ms);
  if (!tanque.despacha(v.litros_tanque)) return false;
  if (nuevo && std::remove(config_.archivo.c_str()) != 0 && errno != ENOENT) {
    error_ = config_.archivo + ": " + std::strerror(errno);
  }
  if (!escribe(ms, v)) {
    tanque.despacha(-v.litros_tanque);
    return false;
  }
  p.contador = v.contador;
  return true;
}

bool Playa::cierra(int64_t ms) {
  VentaHecha v;
  v.surtidor = v.pico = surtidor::kCierreTurno;
  return escribe(ms, v);
}

bool Playa::escribe(int64_t ms, const VentaHecha& hecha) {
  VentaHecha v = hecha;
  v.ms = ms;
  v.fecha = fecha_de_ms(ms);
  v.fecha.dia_semana = 0;
  surtidor::venta_surtidor s;
  s.fecha = v.fecha;
  s.surtidor = v.surtidor;
  s.pico = v.pico;
  s.tanque = v.tanque;
  s.litros = v.litros;
  s.contador = static_cast<float>(v.contador);
  // A file that someone deleted is begun afresh with this line too.
  v.archivo_nuevo = v.archivo_nuevo || ::access(config_.archivo.c_str(), F_OK) != 0;
  std::string error;
  if (!surtidor::agrega_venta(config_.archivo, config_.controlador, s, &error)) {
    ++fallos_;
    error_ = error;
    return false;
  }
  if (hora_virtual_) {
    const timespec hora[2] = {{0, UTIME_OMIT},
                              {static_cast<time_t>(ms / kMsSegundo), (ms % kMsSegundo) * 1000000}};
    ::utimensat(AT_FDCWD, config_.archivo.c_str(), hora, 0);
  }
  ventas_.push_back(v);
  return true;
}

}  // namespace qtr10
