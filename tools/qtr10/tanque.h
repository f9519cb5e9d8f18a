// One tank: the product in it follows its true curve, falls with the sales
// and rises with deliveries. The console reads the level and turns it into
// litres through its own calibration table, which may be wrong; that is
// what the station's automatic calibration corrects.
#pragma once

#include <cstdint>
#include <deque>
#include <random>
#include <string>
#include <vector>

#include "qtr10/calibracion.h"
#include "qtr10/curva.h"
#include "qtr10/registros.h"

namespace qtr10 {

// A nozzle of the forecourt on the tank it draws from. Its meter is off by
// `error_pct`: it counts that much more than leaves the tank (less when
// negative), and the sale is written as the meter counts it.
struct ConfigPico {
  int surtidor = 1;  // pump
  int pico = 1;      // nozzle
  double error_pct = 0;
};

struct ConfigTanque {
  std::string producto = "SUPER";  // at most 16 characters
  Curva curva = Curva::cilindro(2000, 8000);
  double nivel_mm = 1000;  // at start
  double agua_mm = 0;
  double temperatura = 18.0;  // degrees
  double ventas_lpm = 0;      // litres per minute drawn steadily, with no sale written
  double escala_tabla = 1.0;  // the console's first table: true litres times this
  double ruido_mm = 0;        // the gauge's noise: standard deviation of each reading
  bool inventario = true;     // false: the console reports no inventory
  uint8_t status = 0;
  uint8_t medible = 0;
  int16_t merma_mes = 0;
  float perdidas = 0;
  std::vector<ConfigPico> picos;  // the forecourt's nozzles on this tank
};

// A delivery on the host clock: starts at `inicio_ms` and pours `litros`
// evenly over `duracion_ms`.
struct Llenado {
  int64_t inicio_ms = 0;
  int64_t duracion_ms = 0;
  double litros = 0;
};

class Tanque {
 public:
  Tanque(uint8_t indice, ConfigTanque config, int64_t ahora_ms, const fecha_bcd& hoy);

  // Deliveries that ended before the start enter the list at once.
  void agrega_llenado(const Llenado& l, int64_t deriva_ms);
  // Runs the tank from its last moment to `ms`. Dates of deliveries are the
  // console's clock: host time plus `deriva_ms`.
  void avanza(int64_t ms, int64_t deriva_ms);

  // What the inventory reply tells, with the console's clock `reloj`.
  ValoresTanque valores(const fecha_bcd& reloj) const;
  // Finished deliveries, newest first.
  const std::deque<Descarga>& descargas() const { return descargas_; }

  double litros_reales() const { return litros_; }
  // A sale of `litros` true litres (negative: a return into the tank), once
  // the tank has run to the moment of the sale. False, and nothing moves,
  // when the tank holds too little, or too much to take a return.
  bool despacha(double litros);
  double nivel() const { return config_.curva.nivel(litros_); }
  // Litres by the console's table at the present level.
  double litros_consola() const { return litros_por_tabla(tabla_, nivel()); }
  const ConfigTanque& config() const { return config_; }
  ConfigTanque& config() { return config_; }

  const TablaConsola& tabla() const { return tabla_; }
  void programa_tabla(const TablaConsola& t) { tabla_ = t; }

 private:
  struct EnCurso {
    Llenado l;
    bool empezado = false;
    fecha_bcd inicio{};
    float litros_inicial = 0;
    float nivel_inicial = 0;
  };
  void termina(const EnCurso& e, int64_t deriva_ms);
  Descarga base_descarga() const;

  uint8_t indice_;
  ConfigTanque config_;
  double litros_;
  int64_t ultimo_ms_;
  TablaConsola tabla_;
  std::vector<EnCurso> llenados_;
  std::deque<Descarga> descargas_;
  mutable std::mt19937 ruido_;  // the same tank, the same readings
};

}  // namespace qtr10
