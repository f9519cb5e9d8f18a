// What every benchmark runs in: the real platform, and a temporary folder
// made on first use and removed when the program ends. Each case enters the
// folder and goes back, so relative paths given to the benchmark library
// (--benchmark_out) keep meaning the caller's folder.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "calibration/tabla_calib.h"
#include "platform/real_platform.h"

namespace banco {

class Carpeta {
 public:
  Carpeta() {
    const char* base = std::getenv("TMPDIR");
    ruta_ = std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/nivara-bench-XXXXXX";
    if (::mkdtemp(ruta_.data()) == nullptr) {
      std::perror("mkdtemp");
      std::exit(1);
    }
    origen_ = ::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (origen_ < 0) {
      std::perror("open .");
      std::exit(1);
    }
  }
  ~Carpeta() {
    std::error_code ec;
    std::filesystem::remove_all(ruta_, ec);
    ::close(origen_);
  }
  void entra() const {
    if (::chdir(ruta_.c_str()) != 0) std::abort();
  }
  void sale() const {
    if (::fchdir(origen_) != 0) std::abort();
  }

 private:
  std::string ruta_;
  int origen_ = -1;
};

inline Carpeta& carpeta() {
  static Carpeta c;
  return c;
}

// The real platform, installed once. Its event loop never runs here, so the
// interrupt signals go back to their default action: Ctrl-C must still stop
// a long run.
inline void instala_real() {
  static plat::RealPlatform* real = [] {
    auto* p = new plat::RealPlatform();
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    plat::install(p);
    return p;
  }();
  (void)real;
}

// Inside the temporary folder for the life of one case.
class EnCarpeta {
 public:
  EnCarpeta() {
    instala_real();
    carpeta().entra();
  }
  ~EnCarpeta() { carpeta().sale(); }
  EnCarpeta(const EnCarpeta&) = delete;
  EnCarpeta& operator=(const EnCarpeta&) = delete;
};

// Writes `datos` as the whole file, untimed, and waits until it is on disk,
// as a file that took months to grow is: otherwise the timed calls would
// also wait for these pages (on ext4 a file cut to nothing and written again
// is flushed when closed, and cutting it again waits for that flush).
inline void escribe_entero(const char* nombre, const std::vector<uint8_t>& datos) {
  int fd = ::open(nombre, O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) std::abort();
  const auto largo = static_cast<ssize_t>(datos.size());
  if (::pwrite(fd, datos.data(), datos.size(), 0) != largo) std::abort();
  if (::ftruncate(fd, largo) != 0 || ::fdatasync(fd) != 0) std::abort();
  ::close(fd);
}

// A working table of 20 mm steps, 100 L each.
inline tabla_calib tabla_escalonada() {
  tabla_calib t{};
  t.version_formato = kVersionFormatoTabla;
  t.diametro_tank = 1980;
  for (int i = 0; i < kPuntosTabla; ++i) {
    t.puntos[i] = {100.0f * static_cast<float>(i), 20.0f * static_cast<float>(i), 0};
  }
  t.capacidad = t.puntos[kPuntosTabla - 1].litros;
  return t;
}

}  // namespace banco
