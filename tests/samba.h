// A real Samba server for the tests: smbd in the foreground on 127.0.0.1 at
// a free port, with its configuration, state, log and shared folder under a
// temporary folder of its own, stopped by its process id.
//
//   ServidorSamba samba;
//   ASSERT_TRUE(samba.arranca()) << samba.fallo();
//   escribe_archivo(samba.carpeta() + "/ventas.txt", ...);   // now on the share
//   p.connect_share(samba.recurso().c_str(), samba.usuario().c_str(), samba.clave().c_str());
//
// The login "nivara" maps to root on the server, whose password lives only
// in the server's own folder: nothing of the machine's users changes, and
// the share reads and writes as the tests' own files do.
#pragma once

#include <sys/types.h>

#include <string>

class ServidorSamba {
 public:
  ServidorSamba() = default;
  ~ServidorSamba();  // stops the server and removes its folder
  ServidorSamba(const ServidorSamba&) = delete;
  ServidorSamba& operator=(const ServidorSamba&) = delete;

  // Starts smbd and waits until its port answers. False when it cannot:
  // fallo() says why, with the end of the server's output.
  bool arranca();
  // SIGTERM to its process id, SIGKILL if it has not ended in 5 s.
  void para();

  // The shared folder on this machine: a file put here is on the share.
  const std::string& carpeta() const { return compartida_; }
  unsigned puerto() const { return puerto_; }
  const std::string& usuario() const { return usuario_; }
  const std::string& clave() const { return clave_; }
  // The share as the station names it: \\127.0.0.1:PORT\ventas
  std::string recurso() const;
  const std::string& fallo() const { return fallo_; }

 private:
  bool intenta();  // one start on the configured port

  std::string raiz_, compartida_, fallo_;
  std::string usuario_ = "nivara", clave_ = "Surtidor-7";
  unsigned puerto_ = 0;
  pid_t pid_ = -1;
};

// A port on 127.0.0.1 that nothing listens on at this moment.
unsigned puerto_libre();
