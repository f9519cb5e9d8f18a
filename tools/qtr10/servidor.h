// The console on a real TCP port (Asio, one thread). Every frame received
// and every reply sent is written as one line to `salida`, and so is every
// sale of the forecourt, which sells in real time.
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
  // Starts the forecourt, if the console has one: each sale when it is due.
  void abre_playa();

 private:
  void acepta();
  void anota_ventas();

  Consola& consola_;
  std::ostream& salida_;
  bool entero_;
  asio::ip::tcp::acceptor aceptor_;
  asio::steady_timer playa_;
  int conexiones_ = 0;
  size_t ventas_vistas_ = 0;
  int fallos_vistos_ = 0;
};

// "hh:mm:ss.mmm" of a local-time clock reading.
std::string hora_texto(int64_t ms);

}  // namespace qtr10
