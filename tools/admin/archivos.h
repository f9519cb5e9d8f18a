// Whole-file reads and writes for the admin tool.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace admin {

// Reads the whole file; false with `error` set (the system's reason).
bool lee_archivo(const std::string& ruta, std::vector<uint8_t>& datos, std::string& error);

// Writes a temporary file beside `ruta` and renames it over `ruta`, so that a
// failure never leaves a half-written file behind.
bool escribe_archivo(const std::string& ruta, const std::vector<uint8_t>& datos,
                     std::string& error);

}  // namespace admin
