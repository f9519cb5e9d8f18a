// "config write" and "config print": tnq.ini from a station text and back.
#pragma once

#include <ostream>
#include <string>

namespace admin {

// Each returns the exit status: 0 done, 1 refused (reasons on `errores`).
int config_write(const std::string& ruta_texto, const std::string& ruta_ini, std::ostream& errores);
// The share password is shown as "********" unless `con_clave`.
int config_print(const std::string& ruta_ini, std::ostream& salida, std::ostream& errores,
                 bool con_clave = false);

}  // namespace admin
