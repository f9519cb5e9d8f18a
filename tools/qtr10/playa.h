// The forecourt: the controller that runs the pumps. It sells from the
// console's own tanks at random moments and writes every sale into its sales
// file in its controller's layout, so that the console's inventory and the
// sales agree as at a real station.
//
// Meter error: a nozzle's meter counts `error_pct` more than leaves the tank.
// The sale is written as the meter counts it (litres and meter reading); the
// tank drains by the true quantity, written litres / (1 + error_pct / 100).
// A return goes back into the tank the same way.
//
// One sale a second at most: the station keeps only the first of several
// sales dated the same second, so a sale or shift close due within the
// second of the line before it waits for the next second.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "foundation/fecha_bcd.h"
#include "qtr10/tanque.h"

namespace qtr10 {

struct ConfigPlaya {
  int32_t controlador = -1;  // the controller type, 0..9; -1: no forecourt
  std::string archivo;       // the sales file
  double ventas_hora = 0;    // mean sales an hour, at random moments
  double litros_min = 5;     // a sale's litres as metered, evenly spread
  double litros_max = 60;
  double devoluciones_pct = 0;   // share of the sales that are returns
  double archivo_nuevo_pct = 0;  // share of the sales before which the file is begun afresh
  std::vector<int> cierres_min;  // shift closes, minutes after midnight
  uint64_t semilla = 1;          // the same seed, the same sales
};

// One line the controller wrote.
struct VentaHecha {
  int64_t ms = 0;     // host clock, on a whole second
  fecha_bcd fecha{};  // as written; the weekday is not
  int surtidor = 0;   // pump; 99 with nozzle 99: a shift close
  int pico = 0;
  int tanque = 0;              // 1..16; 0 for a shift close
  float litros = 0;            // as written and metered; negative: a return
  double litros_tanque = 0;    // what left the tank; negative: what went back in
  double contador = 0;         // the nozzle's meter reading after the sale
  bool archivo_nuevo = false;  // the controller began its file afresh with this line
  bool cierre() const;
};

class Playa {
 public:
  // The nozzles are those of `tanques`, tank i of the list being the
  // console's tank i. The first sale comes after `arranque_ms`.
  Playa(const ConfigPlaya& config, const std::vector<ConfigTanque>& tanques, int64_t arranque_ms);

  // Makes every sale and shift close due up to `ms`, oldest first, each
  // with its tank run to the sale's moment (`deriva_ms` as Tanque::avanza).
  void hasta(int64_t ms, std::vector<Tanque>& tanques, int64_t deriva_ms);
  // When the next line is due (host clock); -1: never.
  int64_t proxima_ms() const;

  // Every line written, oldest first.
  const std::vector<VentaHecha>& ventas() const { return ventas_; }
  // Lines that could not be written (then nothing was sold), and why the
  // last one failed.
  int fallos() const { return fallos_; }
  const std::string& error() const { return error_; }

  // In virtual time: the sales file's last-write time becomes the moment of
  // each sale, as the clock the station reads says, not the host's.
  void pon_hora_virtual(bool si) { hora_virtual_ = si; }

 private:
  struct Pico {
    int tanque;  // zero-based
    int surtidor, pico;
    double factor;  // metered litres per true litre
    double contador;
  };
  double uniforme();
  int64_t intervalo_ms();
  int64_t siguiente_cierre(int64_t desde_ms) const;
  bool vende(int64_t ms, std::vector<Tanque>& tanques, int64_t deriva_ms);
  bool cierra(int64_t ms);
  bool escribe(int64_t ms, const VentaHecha& v);

  ConfigPlaya config_;
  std::vector<Pico> picos_;
  std::mt19937_64 azar_;
  int64_t venta_ms_ = -1;   // the next sale as drawn; -1: none
  int64_t cierre_ms_ = -1;  // the next shift close as configured; -1: none
  int64_t libre_ms_ = 0;    // no line before this: the second after the last one
  bool hora_virtual_ = false;
  std::vector<VentaHecha> ventas_;
  int fallos_ = 0;
  std::string error_;
};

}  // namespace qtr10
