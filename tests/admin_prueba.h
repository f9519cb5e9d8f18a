// Helpers for the admin tool's tests: a scratch folder and log records.
#pragma once

#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "entorno.h"

namespace admin_prueba {

class Carpeta {
 public:
  Carpeta() {
    std::string plantilla =
        (std::filesystem::temp_directory_path() / "nivara-admin-XXXXXX").string();
    ruta_ = ::mkdtemp(plantilla.data());
  }
  ~Carpeta() { std::filesystem::remove_all(ruta_); }
  std::string operator/(const std::string& nombre) const { return ruta_ + "/" + nombre; }
  const std::string& ruta() const { return ruta_; }

 private:
  std::string ruta_;
};

// Log records as the station writes them.
inline std::string evento(uint16_t minuto, uint8_t codigo) {
  return {static_cast<char>(minuto & 0xFF), static_cast<char>(minuto >> 8),
          static_cast<char>(codigo)};
}
inline std::string texto(uint16_t minuto, const std::string& t) {
  return evento(minuto, 0xFF) + t + std::string(1, '\0');
}

}  // namespace admin_prueba
