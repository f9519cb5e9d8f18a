// A real Samba server for the tests, started and stopped by its process id.
#include "samba.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "entorno.h"
#include "procesos.h"

namespace {

// The Samba programs live in sbin, which a test's PATH may lack.
std::string busca(const std::string& programa) {
  for (const char* carpeta : {"/usr/sbin/", "/usr/bin/", "/sbin/", "/bin/", "/usr/local/sbin/"}) {
    const std::string ruta = carpeta + programa;
    if (::access(ruta.c_str(), X_OK) == 0) return ruta;
  }
  return "";
}

sockaddr_in local(unsigned puerto) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<uint16_t>(puerto));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return a;
}

bool responde(unsigned puerto) {
  int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a = local(puerto);
  bool ok = ::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
  ::close(s);
  return ok;
}

// The folders the server writes to, all under its own root, by the settings
// that name them.
constexpr const char* kCarpetas[][2] = {{"private dir", "private"},   {"lock directory", "lock"},
                                        {"state directory", "state"}, {"cache directory", "cache"},
                                        {"pid directory", "pid"},     {"ncalrpc dir", "ncalrpc"}};

// Only on 127.0.0.1 at `puerto`; the share needs the login and takes no guests.
std::string configuracion(const std::string& raiz, unsigned puerto) {
  std::string c =
      "[global]\n  server role = standalone server\n  interfaces = 127.0.0.1\n"
      "  bind interfaces only = yes\n  disable netbios = yes\n  map to guest = never\n"
      "  load printers = no\n  printing = bsd\n  disable spoolss = yes\n"
      "  rpc start on demand helpers = no\n  smb ports = " +
      std::to_string(puerto) + "\n  log file = " + raiz + "/smbd.log\n  username map = " + raiz +
      "/usuarios.map\n  printcap name = " + raiz + "/printcap\n";
  for (const auto& [ajuste, carpeta] : kCarpetas)
    c += "  " + std::string(ajuste) + " = " + raiz + "/" + carpeta + "\n";
  return c + "[ventas]\n  path = " + raiz + "/compartida\n  read only = no\n  valid users = root\n";
}

}  // namespace

unsigned puerto_libre() {
  int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a = local(0);
  socklen_t largo = sizeof a;
  ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
  ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &largo);
  ::close(s);
  return ntohs(a.sin_port);
}

ServidorSamba::~ServidorSamba() {
  para();
  if (!raiz_.empty()) std::filesystem::remove_all(raiz_);
}

std::string ServidorSamba::recurso() const {
  return "\\\\127.0.0.1:" + std::to_string(puerto_) + "\\ventas";
}

bool ServidorSamba::arranca() {
  char plantilla[] = "/tmp/nivara-smb-XXXXXX";
  if (::mkdtemp(plantilla) == nullptr) {
    fallo_ = "no temporary folder";
    return false;
  }
  raiz_ = plantilla;
  compartida_ = raiz_ + "/compartida";
  std::filesystem::create_directory(compartida_);
  for (const auto& [ajuste, carpeta] : kCarpetas) {
    std::filesystem::create_directory(raiz_ + "/" + carpeta);
  }
  escribe_archivo(raiz_ + "/usuarios.map", "root = " + usuario_ + "\n");
  auto configura = [&] {
    puerto_ = puerto_libre();
    escribe_archivo(raiz_ + "/smb.conf", configuracion(raiz_, puerto_));
  };
  configura();
  const std::string smbpasswd = busca("smbpasswd");
  if (smbpasswd.empty() || busca("smbd").empty()) {
    fallo_ = "smbd or smbpasswd not installed (scripts/setup.sh installs samba)";
    return false;
  }
  // The password goes in on stdin, twice, as smbpasswd asks for it.
  const std::string orden =
      smbpasswd + " -c " + raiz_ + "/smb.conf -a -s root >" + raiz_ + "/smbpasswd.out 2>&1";
  FILE* f = ::popen(orden.c_str(), "w");
  if (f != nullptr) std::fprintf(f, "%s\n%s\n", clave_.c_str(), clave_.c_str());
  if (f == nullptr || ::pclose(f) != 0) {
    fallo_ = "smbpasswd failed: " + lee_archivo(raiz_ + "/smbpasswd.out");
    return false;
  }
  // A port taken between our look and smbd's bind ends smbd: try another.
  for (int intento = 1; !intenta(); ++intento) {
    if (intento == 3) return false;
    configura();
  }
  return true;
}

bool ServidorSamba::intenta() {
  // In the foreground, as our child; in a process group of its own, since
  // on SIGTERM it ends its whole group (with --no-process-group, the tests).
  pid_ = lanza(busca("smbd"),
               {"-s", raiz_ + "/smb.conf", "--foreground", "--debug-stdout", "--debuglevel=1"},
               raiz_, "smbd.out");
  for (int ms = 0; ms < 10000; ms += 20) {
    if (::waitpid(pid_, nullptr, WNOHANG) == pid_) {
      pid_ = -1;  // ended, and reaped: nothing left to stop
      break;
    }
    if (responde(puerto_)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  para();
  fallo_ = "smbd ended or did not answer on port " + std::to_string(puerto_) +
           " in 10 s: " + lee_archivo(raiz_ + "/smbd.out");
  return false;
}

void ServidorSamba::para() {
  if (pid_ <= 0) return;
  detiene(pid_, SIGTERM);
  pid_ = -1;
}
