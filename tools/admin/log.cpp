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
#include "foundation/bytes.h"

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

// The text records the station writes are at most 508 bytes long: one
// still without its end after this many is damage, however the file goes
// on, and what is held of a record stays bounded.
constexpr size_t kTextoMayor = 1 << 20;

// The read file and what of it is still to decode.
struct seguimiento {
  archivo_por_bloques archivo;
  uint64_t base = 0;               // file offset of pendiente[0]
  std::vector<uint8_t> pendiente;  // bytes read but not yet decoded
  estado_log estado;

  void desde_el_principio() {
    base = 0;
    pendiente.clear();
    estado = estado_log{};
  }
  void cierra() {
    archivo.cierra();
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

// Reads and decodes what was added since the last check, a block at a
// time, printing the lines; false on a read error. `l` tells how decoding
// stands at the file's end (s.base: where it stopped). A record cut by a
// block's end is only judged once the file has no more to give.
bool lee_nuevo(seguimiento& s, std::ostream& salida, std::ostream& errores, const std::string& ruta,
               lectura_log& l) {
  std::string error;
  uint64_t tamano = 0;
  if (!s.archivo.tamano(&tamano, error)) {
    errores << ruta << ": " << error << "\n";
    return false;
  }
  if (tamano < s.base + s.pendiente.size()) {
    errores << ruta << ": the log shrank; reading it again from its start\n";
    s.desde_el_principio();
  }
  for (;;) {
    const uint64_t hasta = s.base + s.pendiente.size();
    if (hasta < tamano) {
      const size_t pedir =
          static_cast<size_t>(std::min<uint64_t>(archivo_por_bloques::kBloque, tamano - hasta));
      const int64_t n = s.archivo.lee(hasta, pedir, s.pendiente, error);
      if (n < 0) {
        errores << ruta << ": " << error << "\n";
        return false;
      }
      if (n == 0) tamano = hasta;  // cut meanwhile; the next check sees it
    }
    const bool al_final = s.base + s.pendiente.size() >= tamano;
    l = decodifica_log(s.pendiente.data(), s.pendiente.size(), s.estado);
    escribe_lineas(l, salida);
    s.pendiente.erase(s.pendiente.begin(),
                      s.pendiente.begin() + static_cast<std::ptrdiff_t>(l.leidos));
    s.base += l.leidos;
    if (l.fin == fin_log::kCompleto && !al_final) continue;
    // A minute past the day's end is damage wherever the record ends.
    const bool minuto_malo =
        s.pendiente.size() >= 2 && lee_u16_le(s.pendiente.data()) >= kMinutosDia;
    if (al_final || minuto_malo) return true;
    if (s.pendiente.size() > kTextoMayor) {
      l.fin = fin_log::kDanado;
      l.motivo = "text record without its NUL in more than 1048576 bytes";
      return true;
    }
  }
}

}  // namespace

int imprime_log(const std::string& ruta, std::ostream& salida, std::ostream& errores) {
  seguimiento s;
  std::string error;
  if (!s.archivo.abre(ruta, error)) {
    errores << ruta << ": " << error << "\n";
    return 1;
  }
  // A file whose first record cannot be one is no log: nothing of it is
  // printed.
  std::vector<uint8_t> inicio;
  if (s.archivo.lee(0, 3, inicio, error) < 0) {
    errores << ruta << ": " << error << "\n";
    return 1;
  }
  estado_log estado;
  const lectura_log primero = decodifica_log(inicio.data(), inicio.size(), estado);
  if (primero.fin == fin_log::kDanado && primero.leidos == 0) {
    errores << ruta << ": not an event log: " << primero.motivo << " at its first byte\n";
    return 1;
  }
  lectura_log l;
  if (!lee_nuevo(s, salida, errores, ruta, l)) return 1;
  if (l.fin == fin_log::kCompleto) return 0;
  informa_fin(ruta, s.base, l.motivo, errores);
  return 1;
}

int sigue_log(const std::string& ruta, std::ostream& salida, std::ostream& errores,
              const std::function<bool()>& parar, std::chrono::milliseconds pausa) {
  seguimiento s;
  bool esperando = false;
  int resultado = 0;
  for (;;) {
    if (s.archivo.abierto() && !misma_ruta(s.archivo.fd(), ruta)) {
      errores << ruta << ": the log was replaced; reading it again from its start\n";
      s.cierra();
    }
    if (!s.archivo.abierto()) {
      std::string error;
      if (!s.archivo.abre(ruta, error) && errno != ENOENT) {
        errores << ruta << ": " << error << "\n";
        resultado = 1;
        break;
      }
      // The station creates its log with its first event.
      if (!s.archivo.abierto() && !esperando) {
        errores << ruta << ": waiting for the log to appear\n";
      }
      esperando = !s.archivo.abierto();
    }
    if (s.archivo.abierto()) {
      lectura_log l;
      if (!lee_nuevo(s, salida, errores, ruta, l)) {
        resultado = 1;
        break;
      }
      if (l.fin == fin_log::kDanado) {
        informa_fin(ruta, s.base, l.motivo, errores);
        resultado = 1;
        break;
      }
    }
    if (parar()) break;
    std::this_thread::sleep_for(pausa);
  }
  s.cierra();
  return resultado;
}

}  // namespace admin
