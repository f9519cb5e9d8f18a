// One simulated tank: sales, deliveries and the values the console reports
// for it.
#include "qtr10/tanque.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>

#include "qtr10/reloj.h"

namespace qtr10 {

namespace {

constexpr size_t kDescargasGuardadas = 16;

void copia_nombre(char destino[16], const std::string& s) {
  std::memset(destino, 0, 16);
  std::memcpy(destino, s.data(), std::min<size_t>(s.size(), 16));
}

}  // namespace

Tanque::Tanque(uint8_t indice, ConfigTanque config, int64_t ahora_ms, const fecha_bcd& hoy)
    : indice_(indice),
      config_(std::move(config)),
      litros_(config_.curva.litros(config_.nivel_mm)),
      ultimo_ms_(ahora_ms),
      tabla_(tabla_de_curva(config_.curva, config_.escala_tabla,
                            "TANQUE " + std::to_string(indice + 1), hoy)),
      ruido_(1u + indice) {}

Descarga Tanque::base_descarga() const {
  Descarga d;
  d.tanque = indice_;
  copia_nombre(d.producto, config_.producto);
  return d;
}

void Tanque::agrega_llenado(const Llenado& l, int64_t deriva_ms) {
  EnCurso e{l};
  e.l.duracion_ms = std::max<int64_t>(e.l.duracion_ms, 1000);
  if (e.l.inicio_ms + e.l.duracion_ms <= ultimo_ms_) {
    // Already over: it left the tank as it is now.
    Descarga d = base_descarga();
    d.inicio = fecha_de_ms(e.l.inicio_ms + deriva_ms);
    d.fin = fecha_de_ms(e.l.inicio_ms + e.l.duracion_ms + deriva_ms);
    double ahora = litros_consola();
    d.litros_final = static_cast<float>(ahora);
    d.litros_inicial = static_cast<float>(std::max(0.0, ahora - e.l.litros));
    d.nivel_final = static_cast<float>(nivel());
    d.nivel_inicial = static_cast<float>(config_.curva.nivel(std::max(0.0, litros_ - e.l.litros)));
    descargas_.push_front(d);
    if (descargas_.size() > kDescargasGuardadas) descargas_.pop_back();
    return;
  }
  if (e.l.inicio_ms < ultimo_ms_) {
    // Under way at the start: what remains is poured from now on.
    int64_t hecho = ultimo_ms_ - e.l.inicio_ms;
    e.l.litros *= 1.0 - static_cast<double>(hecho) / e.l.duracion_ms;
    e.l.duracion_ms -= hecho;
    e.l.inicio_ms = ultimo_ms_;
  }
  llenados_.push_back(e);
}

void Tanque::termina(const EnCurso& e, int64_t deriva_ms) {
  Descarga d = base_descarga();
  d.inicio = e.inicio;
  d.fin = fecha_de_ms(e.l.inicio_ms + e.l.duracion_ms + deriva_ms);
  d.litros_inicial = e.litros_inicial;
  d.litros_final = static_cast<float>(litros_consola());
  d.nivel_inicial = e.nivel_inicial;
  d.nivel_final = static_cast<float>(nivel());
  descargas_.push_front(d);
  if (descargas_.size() > kDescargasGuardadas) descargas_.pop_back();
}

void Tanque::avanza(int64_t ms, int64_t deriva_ms) {
  const double capacidad = config_.curva.capacidad();
  while (true) {
    // Starts and ends of deliveries split the time into stretches of one
    // steady flow.
    for (EnCurso& e : llenados_) {
      if (!e.empezado && e.l.inicio_ms <= ultimo_ms_) {
        e.empezado = true;
        e.inicio = fecha_de_ms(e.l.inicio_ms + deriva_ms);
        e.litros_inicial = static_cast<float>(litros_consola());
        e.nivel_inicial = static_cast<float>(nivel());
      }
    }
    for (auto it = llenados_.begin(); it != llenados_.end();) {
      if (it->empezado && it->l.inicio_ms + it->l.duracion_ms <= ultimo_ms_) {
        termina(*it, deriva_ms);
        it = llenados_.erase(it);
      } else {
        ++it;
      }
    }
    if (ultimo_ms_ >= ms) break;
    int64_t hasta = ms;
    double caudal = -config_.ventas_lpm / 60000.0;  // litres per ms
    for (const EnCurso& e : llenados_) {
      if (e.empezado) {
        hasta = std::min(hasta, e.l.inicio_ms + e.l.duracion_ms);
        caudal += e.l.litros / static_cast<double>(e.l.duracion_ms);
      } else {
        hasta = std::min(hasta, e.l.inicio_ms);
      }
    }
    litros_ =
        std::clamp(litros_ + caudal * static_cast<double>(hasta - ultimo_ms_), 0.0, capacidad);
    ultimo_ms_ = hasta;
  }
}

bool Tanque::despacha(double litros) {
  const double queda = litros_ - litros;
  if (queda < 0 || queda > config_.curva.capacidad()) return false;
  litros_ = queda;
  return true;
}

ValoresTanque Tanque::valores(const fecha_bcd& reloj) const {
  ValoresTanque v;
  v.inventario = config_.inventario ? 1 : 0;
  v.fecha = reloj;
  copia_nombre(v.producto, config_.producto);
  v.status = config_.status;
  v.merma_mes = config_.merma_mes;
  // The gauge reads the level with its noise, and the console works its
  // litres out of that reading.
  double leido = nivel();
  if (config_.ruido_mm > 0) {
    leido += std::normal_distribution<double>(0, config_.ruido_mm)(ruido_);
    leido = std::clamp(leido, 0.0, config_.curva.altura());
  }
  v.nivel = static_cast<float>(leido);
  v.medible = config_.medible;
  v.litros = static_cast<float>(litros_por_tabla(tabla_, leido));
  v.litros_vacio = static_cast<float>(std::max(0.0, capacidad_tabla(tabla_) - v.litros));
  v.litros_base = v.litros;
  v.serie = static_cast<uint16_t>(indice_ + 1);
  v.nivel_agua = static_cast<float>(config_.agua_mm);
  v.temperatura = static_cast<int16_t>(std::lround(config_.temperatura * 100));
  v.perdidas = config_.perdidas;
  return v;
}

}  // namespace qtr10
