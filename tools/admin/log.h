// "log": Nivara.log as readable lines, once or following its growth.
#pragma once

#include <chrono>
#include <functional>
#include <ostream>
#include <string>

namespace admin {

// Prints the whole log; 1 when it cannot be read or is damaged (what could
// be read is printed, then where and why it stopped goes to `errores`).
int imprime_log(const std::string& ruta, std::ostream& salida, std::ostream& errores);

// Prints the log and then its new records as they arrive, checking every
// `pausa`, until `parar` (asked after each check) says so: 0. A log that
// shrinks (the station trims it) or is replaced is read again from its
// start; a record not yet all written is waited for. Damage ends it with 1.
int sigue_log(const std::string& ruta, std::ostream& salida, std::ostream& errores,
              const std::function<bool()>& parar,
              std::chrono::milliseconds pausa = std::chrono::milliseconds(200));

}  // namespace admin
