// A scripted console for the link and scheduler tests: it answers each
// command with a fixed good reply (an empty inventory, no deliveries, a flat
// table, acknowledgements), or misbehaves as a test asks.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/socket_sim.h"

struct trama_recibida {
  int64_t ms;               // virtual time of arrival
  int conexion;             // 1 for the first connection, and so on
  std::vector<uint8_t> bytes;
  uint8_t codigo() const { return bytes.size() > 10 ? bytes[10] : 0; }
};

class ConsolaPrueba : public plat::SimServer {
 public:
  enum class Modo { kContesta, kCalla, kCierra };

  std::unique_ptr<plat::SimPeer> accept(plat::SimLink& link) override;

  // Command bodies are recognised by their length; a frame is answered once
  // it is complete.
  void recibe(plat::SimLink& link, int conexion, const uint8_t* d, size_t n);

  Modo modo = Modo::kContesta;
  int64_t demora_ms = 0;  // the reply leaves this long after the frame
  int conexiones = 0;
  std::vector<trama_recibida> tramas;

  // The good reply to RW.
  static std::vector<uint8_t> inventario_vacio();

 private:
  std::vector<uint8_t> pendiente_;
};
