// The configuration summary, built from a configuration record.
#pragma once

#include <string>
#include <vector>

#include "foundation/tnq.h"

// printf into a std::string.
std::string formatea(const char* formato, ...) __attribute__((format(printf, 1, 2)));

// The summary lines of a configuration, from the sales file line to the last
// Genera line. An unknown controller type ends the list with its error line
// and sets `*error`.
std::vector<std::string> lineas_configuracion(const configuracion_tnq& c, bool* error);
