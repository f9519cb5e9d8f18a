// The console on the simulated network: station tests listen it at the
// console's address and it answers in virtual time.
//
//   qtr10::ConsolaSim consola(*sim, config);
//   sim->listen("10.0.0.7", 10001, &consola);
#pragma once

#include <memory>

#include "platform/sim_platform.h"
#include "platform/socket_sim.h"
#include "qtr10/consola.h"

namespace qtr10 {

class ConsolaSim : public Consola, public plat::SimServer {
 public:
  // Reads the simulated platform's clock; `sim` outlives the console.
  ConsolaSim(plat::SimPlatform& sim, ConfigConsola config);

  std::unique_ptr<plat::SimPeer> accept(plat::SimLink& link) override;
  int conexiones() const { return conexiones_; }

 private:
  int conexiones_ = 0;
};

}  // namespace qtr10
