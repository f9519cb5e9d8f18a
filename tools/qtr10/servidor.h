// The console on a real TCP port (Asio, one thread). Every frame received
// and every reply sent is written as one line to `salida`.
#pragma once

#include <asio.hpp>
#include <ostream>
#include <string>

#include "qtr10/consola.h"

namespace qtr10 {

class Servidor {
 public:
  // `entero`: frames are printed whole in hex, not only their start.
  Servidor(asio::io_context& io, Consola& consola, std::ostream& salida, bool entero = false);

  // Starts listening and accepting; empty result, or what failed.
  std::string abre(const std::string& direccion, unsigned puerto);
  // The port listened on (the one given, or the system's pick for 0).
  unsigned puerto() const;

 private:
  void acepta();

  Consola& consola_;
  std::ostream& salida_;
  bool entero_;
  asio::ip::tcp::acceptor aceptor_;
  int conexiones_ = 0;
};

// "hh:mm:ss.mmm" of a local-time clock reading.
std::string hora_texto(int64_t ms);

}  // namespace qtr10
