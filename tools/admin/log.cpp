// "log": printing Nivara.log once, or following it through growth, trimming
// and replacement.
#include "admin/log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <thread>
#include <vector>

#include "admin/archivos.h"
#include "admin/lectura_log.h"

namespace admin {

namespace {

void escribe_lineas(const lectura_log& l, std::ostream& salida) {
  for (const std::string& linea : l.lineas) salida << linea << "\n";
  salida.flush();
}

void informa_fin(const std::string& ruta, uint64_t offset, const std::string& motivo,
                 std::ostream& errores) {
  errores << ruta << ": stopped at byte " << offset << ": " << motivo << "\n";
}

// The followed file and what of it is still to decode.
struct seguimiento {
  int fd = -1;
  uint64_t base = 0;               // file offset of pendiente[0]
  std::vector<uint8_t> pendiente;  // bytes read but not yet decoded
  estado_log estado;

  void desde_el_principio() {
    base = 0;
    pendiente.clear();
    estado = estado_log{};
  }
  void cierra() {
    if (fd >= 0) ::close(fd);
    fd = -1;
    desde_el_principio();
  }
};

// True while `ruta` still names the open file (not deleted or replaced).
bool misma_ruta(int fd, const std::string& ruta) {
  struct stat abierto {
  }, nombrado{};
  return ::fstat(fd, &abierto) == 0 && ::stat(ruta.c_str(), &nombrado) == 0 &&
         abierto.st_dev == nombrado.st_dev && abierto.st_ino == nombrado.st_ino;
}

// Reads what was added since the last check; false on a read error.
bool lee_nuevo(seguimiento& s, std::ostream& errores, const std::string& ruta) {
  struct stat st {};
  if (::fstat(s.fd, &st) != 0) {
    errores << ruta << ": " << std::strerror(errno) << "\n";
    return false;
  }
  const auto tamano = static_cast<uint64_t>(st.st_size);
  uint64_t hasta = s.base + s.pendiente.size();
  if (tamano < hasta) {
    errores << ruta << ": the log shrank; reading it again from its start\n";
    s.desde_el_principio();
    hasta = 0;
  }
  while (hasta < tamano) {
    uint8_t bloque[65536];
    size_t pedir = static_cast<size_t>(std::min<uint64_t>(sizeof bloque, tamano - hasta));
    ssize_t n = ::pread(s.fd, bloque, pedir, static_cast<off_t>(hasta));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      errores << ruta << ": " << std::strerror(errno) << "\n";
      return false;
    }
    if (n == 0) break;  // cut meanwhile; the next check sees it
    s.pendiente.insert(s.pendiente.end(), bloque, bloque + n);
    hasta += static_cast<uint64_t>(n);
  }
  return true;
}

}  // namespace

int imprime_log(const std::string& ruta, std::ostream& salida, std::ostream& errores) {
  std::vector<uint8_t> datos;
  std::string error;
  if (!lee_archivo(ruta, datos, error)) {
    errores << ruta << ": " << error << "\n";
    return 1;
  }
  estado_log estado;
  lectura_log l = decodifica_log(datos.data(), datos.size(), estado);
  if (l.fin == fin_log::kDanado && l.leidos == 0) {
    errores << ruta << ": not an event log: " << l.motivo << " at its first byte\n";
    return 1;
  }
  escribe_lineas(l, salida);
  if (l.fin == fin_log::kCompleto) return 0;
  informa_fin(ruta, l.leidos, l.motivo, errores);
  return 1;
}

int sigue_log(const std::string& ruta, std::ostream& salida, std::ostream& errores,
              const std::function<bool()>& parar, std::chrono::milliseconds pausa) {
  seguimiento s;
  bool esperando = false;
  int resultado = 0;
  for (;;) {
    if (s.fd >= 0 && !misma_ruta(s.fd, ruta)) {
      errores << ruta << ": the log was replaced; reading it again from its start\n";
      s.cierra();
    }
    if (s.fd < 0) {
      s.fd = ::open(ruta.c_str(), O_RDONLY | O_CLOEXEC);
      if (s.fd < 0 && errno != ENOENT) {
        errores << ruta << ": " << std::strerror(errno) << "\n";
        resultado = 1;
        break;
      }
      // The station creates its log with its first event.
      if (s.fd < 0 && !esperando) errores << ruta << ": waiting for the log to appear\n";
      esperando = s.fd < 0;
    }
    if (s.fd >= 0) {
      if (!lee_nuevo(s, errores, ruta)) {
        resultado = 1;
        break;
      }
      lectura_log l = decodifica_log(s.pendiente.data(), s.pendiente.size(), s.estado);
      escribe_lineas(l, salida);
      if (l.fin == fin_log::kDanado) {
        informa_fin(ruta, s.base + l.leidos, l.motivo, errores);
        resultado = 1;
        break;
      }
      s.pendiente.erase(s.pendiente.begin(),
                        s.pendiente.begin() + static_cast<std::ptrdiff_t>(l.leidos));
      s.base += l.leidos;
    }
    if (parar()) break;
    std::this_thread::sleep_for(pausa);
  }
  s.cierra();
  return resultado;
}

}  // namespace admin
