// The console's readable configuration: "key = value" lines, the format
// described at the top of demo/consola.txt. The command line sets the same
// keys.
#pragma once

#include <string>
#include <string_view>

#include "qtr10/consola.h"

namespace qtr10 {

// One key: "port", "tank 2", "fault_split", ... Empty result when taken,
// else what is wrong.
std::string fija_clave(ConfigConsola& c, std::string_view clave, std::string_view valor);

// A whole text; the first fault names its line. Checks the whole at the end.
std::string lee_config(ConfigConsola& c, std::string_view texto);
std::string lee_archivo_config(ConfigConsola& c, const std::string& ruta);

// What must hold once every key is read: tanks 1..N without gaps, and the
// deliveries and the question about tanks that exist.
std::string revisa_config(const ConfigConsola& c);

// "dd/mm/yy hh:mm:ss" to a packed date with its weekday.
bool lee_fecha(std::string_view s, fecha_bcd& f);

}  // namespace qtr10
