// The console on the simulated network: station tests listen it at the
// console's address and it answers in virtual time. Its forecourt, if it
// has one, sells on the virtual clock too: each sale is an event of the
// simulated platform, and its sales file lies wherever the configuration
// says, normally sim->path_of() of the station's sales file. With a
// forecourt the events never run out: run the platform with run_for().
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
  // Schedules the forecourt's next sale.
  void despierta();

  plat::SimPlatform& sim_;
  int conexiones_ = 0;
  // Events still scheduled when the console is gone find this expired.
  std::shared_ptr<bool> vivo_ = std::make_shared<bool>(true);
};

}  // namespace qtr10
