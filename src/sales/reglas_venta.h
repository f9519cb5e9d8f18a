// Where the sales file is, and how one of its records becomes a sale: the
// tank its pump and nozzle draw from, the sign of its litres and its tank's
// meter total. No station state here: the reader hands over the
// configuration and the meter table.
#pragma once

#include <cstdint>
#include <string>

#include "foundation/tnq.h"

// The configured sales file path, at most 63 characters.
std::string ruta_ventas(const configuracion_tnq& c);
// Whether a path lies on a network share (\\host\share\...), and the folder
// to connect for it: the path cut at its last backslash (the first
// character does not count).
bool en_recurso_compartido(const std::string& ruta);
std::string recurso_de(const std::string& ruta);

constexpr int32_t kCierreDeTurno = 99;  // pump and nozzle of a shift-closing line
constexpr int32_t kSurtidorMaximo = 32;
constexpr int32_t kTanqueMaximo = 16;  // tank numbers in a record run 1..16; 0: no tank

// The nozzle meter table: one reading per pump 1..16 and nozzle 1..12.
constexpr int kContadores = kTanques * kParesPorTanque;

// CALDEN OIL and FUSION WAYNE number their nozzles across the station, so
// the nozzle alone names a map pair; the others number them per pump.
constexpr int32_t kPicoMaximoEstacion = 96;
constexpr int32_t kPicoMaximoSurtidor = 8;
bool pico_de_estacion(int32_t tipo);
int32_t pico_maximo(int32_t tipo);

// The tank index (0..15) of the first map pair, tanks 1..16 and each tank's
// twelve pairs in order, that names this pump and nozzle (the nozzle alone
// where pico_de_estacion); -1 when none does.
int32_t tanque_del_par(const configuracion_tnq& c, int32_t tipo, int32_t surtidor, int32_t pico);

// The litres as the controller meant them: WOLF marks a return with sign 2,
// CALDEN OIL with 1, SVS AXXUS with anything but 0 (an unreadable sign, -1,
// included). FUSION WAYNE's sign field carries no rule.
float litros_con_signo(int32_t tipo, int32_t signo, float litros);

// Where a pump and nozzle's reading lies in the meter table; -1 outside it.
int indice_contador(int32_t surtidor, int32_t pico);

// The sum of the readings of every used pair of the tank (pump not 0), or
// -1.0 when any of them is not known: a reading of exactly 0.0 (none seen
// yet), or a pair outside the meter table, whose reading the station cannot
// keep (the configuration admits pumps up to 32).
float total_contador_tanque(const configuracion_tnq& c, int tanque, const float tabla[kContadores]);
