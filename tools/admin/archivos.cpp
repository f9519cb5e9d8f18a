// Whole-file reads and writes for the admin tool; a write replaces the file
// through a temporary one.
#include "admin/archivos.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace admin {

bool lee_archivo(const std::string& ruta, std::vector<uint8_t>& datos, std::string& error) {
  datos.clear();
  int fd = ::open(ruta.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    error = std::strerror(errno);
    return false;
  }
  uint8_t bloque[65536];
  for (;;) {
    ssize_t n = ::read(fd, bloque, sizeof bloque);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      error = std::strerror(errno);
      ::close(fd);
      return false;
    }
    if (n == 0) break;
    datos.insert(datos.end(), bloque, bloque + n);
  }
  ::close(fd);
  return true;
}

bool archivo_por_bloques::abre(const std::string& ruta, std::string& error) {
  cierra();
  fd_ = ::open(ruta.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) error = std::strerror(errno);
  return fd_ >= 0;
}

void archivo_por_bloques::cierra() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

bool archivo_por_bloques::tamano(uint64_t* bytes, std::string& error) const {
  struct stat st {};
  if (::fstat(fd_, &st) != 0) {
    error = std::strerror(errno);
    return false;
  }
  *bytes = static_cast<uint64_t>(st.st_size);
  return true;
}

int64_t archivo_por_bloques::lee(uint64_t desde, size_t n, std::vector<uint8_t>& datos,
                                 std::string& error) const {
  const size_t antes = datos.size();
  datos.resize(antes + n);
  ssize_t leidos;
  do {
    leidos = ::pread(fd_, datos.data() + antes, n, static_cast<off_t>(desde));
  } while (leidos < 0 && errno == EINTR);
  datos.resize(antes + static_cast<size_t>(std::max<ssize_t>(leidos, 0)));
  if (leidos < 0) error = std::strerror(errno);
  return leidos;
}

namespace {

// Mode and owner for the new file: those of the file it replaces, or for a
// new one mode 0640 (tnq.ini carries the share password) and the folder's
// owner, so that a file an admin writes as root stays the service's.
struct dueno {
  mode_t modo = 0640;
  uid_t uid;
  gid_t gid;
};

dueno dueno_para(const std::string& ruta) {
  struct stat st {};
  dueno d;
  if (::stat(ruta.c_str(), &st) == 0) {
    d.modo = st.st_mode & 07777;
  } else {
    const size_t barra = ruta.rfind('/');
    const std::string carpeta = barra == std::string::npos ? "." : ruta.substr(0, barra + 1);
    if (::stat(carpeta.c_str(), &st) != 0) st = {};
  }
  d.uid = st.st_uid;
  d.gid = st.st_gid;
  return d;
}

}  // namespace

bool escribe_archivo(const std::string& ruta, const std::vector<uint8_t>& datos,
                     std::string& error) {
  const std::string temporal = ruta + ".tmp." + std::to_string(::getpid());
  const dueno d = dueno_para(ruta);
  int fd = ::open(temporal.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, d.modo);
  if (fd < 0) {
    error = std::strerror(errno);
    return false;
  }
  // Only root may give a file away; others keep their own, as before.
  if (::geteuid() == 0 && ::fchown(fd, d.uid, d.gid) != 0) {
    error = std::strerror(errno);
    ::close(fd);
    ::unlink(temporal.c_str());
    return false;
  }
  ::fchmod(fd, d.modo);  // the umask took bits off at creation
  size_t escritos = 0;
  bool ok = true;
  while (ok && escritos < datos.size()) {
    ssize_t n = ::write(fd, datos.data() + escritos, datos.size() - escritos);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ok = false;
    } else {
      escritos += static_cast<size_t>(n);
    }
  }
  // The station may read the file right after the rename: flush it first.
  ok = ok && ::fsync(fd) == 0;
  if (!ok) error = std::strerror(errno);
  if (::close(fd) != 0 && ok) {
    ok = false;
    error = std::strerror(errno);
  }
  if (ok && ::rename(temporal.c_str(), ruta.c_str()) != 0) {
    ok = false;
    error = std::strerror(errno);
  }
  if (!ok) ::unlink(temporal.c_str());
  return ok;
}

}  // namespace admin
