// The fuzz targets' fresh station per input: the folder in memory, emptied
// before each input and removed when the process ends.
#include "banco.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>

#include "foundation/gl.h"

namespace banco {

namespace {

// A plain array, not a std::string: the exit handler that removes the
// folder runs after the static objects are gone.
char carpeta[64];

void borra_carpeta() { std::filesystem::remove_all(carpeta); }

// Made once per process: in shared memory where there is some, so that the
// targets' many small files cost no disk.
const char* carpeta_propia() {
  if (carpeta[0] == '\0') {
    std::error_code e;
    const char* base = std::filesystem::is_directory("/dev/shm", e) ? "/dev/shm" : "/tmp";
    std::snprintf(carpeta, sizeof carpeta, "%s/nivara-fuzz-XXXXXX", base);
    if (::mkdtemp(carpeta) == nullptr) std::abort();
    std::atexit(borra_carpeta);
  }
  return carpeta;
}

const char* carpeta_vacia() {
  const char* c = carpeta_propia();
  for (const auto& entrada : std::filesystem::directory_iterator(c)) {
    std::filesystem::remove_all(entrada.path());
  }
  return c;
}

int64_t inicio() {
  std::tm t{.tm_sec = 3, .tm_min = 7, .tm_hour = 9, .tm_mday = 5, .tm_mon = 2, .tm_year = 126};
  return static_cast<int64_t>(::timegm(&t));
}

}  // namespace

banco::banco() : sim_(carpeta_vacia(), inicio()) {
  plat::install(&sim_);
  gl_reinicia();
  sim_.make_dir("tan");
}

banco::~banco() {
  estacion_.reset();  // its socket goes before the platform
  plat::install(nullptr);
}

CNivaraDlg& banco::estacion() {
  if (!estacion_) {
    estacion_ = std::make_unique<CNivaraDlg>();
    configuracion_tnq& c = estacion_->config;
    std::memcpy(c.bytes + tnq::kIp, "\x0a\x00\x00\x07", 4);
    c.pon_puerto(10001);
    std::memcpy(c.bytes + tnq::kCodigoAcceso, "12345678", 8);
    c.pon_texto(tnq::kFileStock, tnq::kLargoFileStock, "stock.txt");
  }
  return *estacion_;
}

void banco::escribe(const std::string& nombre, const uint8_t* datos, size_t largo) {
  std::ofstream(sim_.path_of(nombre), std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(datos), static_cast<std::streamsize>(largo));
}

}  // namespace banco
