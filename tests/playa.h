// The forecourt controller as the station tests see it: it writes each sale
// into its sales file at a moment of the virtual clock, dated then, with the
// nozzle's meter running on, and keeps what the station should store of it.
// It stands in for the forecourt simulator until that one sells by itself:
// a test that only calls vende, cierra_turno and empieza can take either.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "entorno.h"
#include "surtidor/surtidor.h"

class Playa {
 public:
  // Sales go into `ruta` in controller `tipo`'s layout; `tanques` maps each
  // {pump, nozzle} to its tank index, as the station's configuration does.
  Playa(plat::SimPlatform& sim, std::string ruta, int32_t tipo,
        std::map<std::pair<int, int>, int> tanques);

  // The file as the station finds it at start: `ventas`, all older than the
  // start, whose meters the nozzles carry on from.
  void inicia(const std::vector<surtidor::venta_surtidor>& ventas);
  // A sale (a return when negative) `ms` from now.
  void vende(int64_t ms, int surtidor, int pico, float litros);
  void cierra_turno(int64_t ms);
  // `ms` from now the controller starts its file anew with a sale. The
  // station does not take the sales of a new file that it first finds with
  // no record older than its last sale: the test says how many sales, this
  // one included, go into the new file before the station reads it.
  void empieza(int64_t ms, int surtidor, int pico, float litros, int ignoradas);

  // The sale events the station should have stored: every sale of a mapped
  // nozzle and every shift close, but those of a file started anew.
  const Almacen& esperado() const { return esperado_; }
  int sin_tanque() const { return sin_tanque_; }
  int turnos() const { return turnos_; }

 private:
  void escribe(surtidor::venta_surtidor v);

  plat::SimPlatform& sim_;
  std::string ruta_;
  int32_t tipo_;
  std::map<std::pair<int, int>, int> tanques_;
  std::map<std::pair<int, int>, float> contadores_;
  Almacen esperado_;
  int sin_tanque_ = 0;
  int turnos_ = 0;
  int ignorar_ = 0;
  int64_t sello_ = 0;
};
