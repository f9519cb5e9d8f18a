// Whole-file reads and writes for the admin tool.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace admin {

// Reads the whole file; false with `error` set (the system's reason). For
// small files only (a table, the configuration).
bool lee_archivo(const std::string& ruta, std::vector<uint8_t>& datos, std::string& error);

// A file that can be big (the store, the log, qtrs.apt), read a block at a
// time at the offsets asked for, so that its size never decides the
// memory the tool takes.
class archivo_por_bloques {
 public:
  static constexpr size_t kBloque = 65536;

  archivo_por_bloques() = default;
  ~archivo_por_bloques() { cierra(); }
  archivo_por_bloques(const archivo_por_bloques&) = delete;
  archivo_por_bloques& operator=(const archivo_por_bloques&) = delete;

  // False with `error` set (the system's reason).
  bool abre(const std::string& ruta, std::string& error);
  void cierra();
  bool abierto() const { return fd_ >= 0; }
  // Its size now; false with `error` set.
  bool tamano(uint64_t* bytes, std::string& error) const;
  // Appends up to `n` bytes from offset `desde` to `datos`; how many came
  // in (0 at the end), or -1 with `error` set.
  int64_t lee(uint64_t desde, size_t n, std::vector<uint8_t>& datos, std::string& error) const;
  int fd() const { return fd_; }

 private:
  int fd_ = -1;
};

// Writes a temporary file beside `ruta` and renames it over `ruta`, so that a
// failure never leaves a half-written file behind.
bool escribe_archivo(const std::string& ruta, const std::vector<uint8_t>& datos,
                     std::string& error);

}  // namespace admin
