// "store --set-aside": the pieces of the event store kept in qtrs.apt.
#pragma once

#include <ostream>
#include <string>

namespace admin {

// A line per piece (when, why, how long) and its bytes, and below it each
// whole record the piece holds, as "store" prints them. 1 when the file
// cannot be read or ends inside a piece.
int imprime_apartados(const std::string& ruta, std::ostream& salida, std::ostream& errores);

}  // namespace admin
