// What every fuzz target shares: each input meets a fresh station on the
// simulated platform, in a folder of its own that is emptied first, so
// nothing one input leaves behind (files, the log's time stamp, timers)
// reaches the next. The program's orderly end (sale(), a fatal
// configuration) is one outcome among others: it unwinds back to the
// target instead of ending the process.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "app/CNivaraDlg.h"
#include "platform/sim_platform.h"

namespace banco {

// Thrown where the program would end.
struct fin_programa {
  int estado;
};

class plataforma : public plat::SimPlatform {
 public:
  using plat::SimPlatform::SimPlatform;
  void end(int estado, const char*) override { throw fin_programa{estado}; }
};

// One input's world: the platform installed on the emptied folder, with
// the clock at 5 March 2026 09:07:03, and a station whose configuration
// names the console (10.0.0.7:10001, access code "12345678") and the stock
// report "stock.txt", and nothing else. The station is made on first use.
class banco {
 public:
  banco();
  ~banco();
  banco(const banco&) = delete;
  banco& operator=(const banco&) = delete;

  plataforma& sim() { return sim_; }
  CNivaraDlg& estacion();
  // Writes a file of the station's folder ("qtrs.nvr", "tan\\ct1n.tan").
  void escribe(const std::string& nombre, const uint8_t* datos, size_t largo);

  // Runs `paso`, taking the program's end as a way out of it.
  template <typename F>
  static void corre(F paso) {
    try {
      paso();
    } catch (const fin_programa&) {
    }
  }

 private:
  plataforma sim_;
  std::unique_ptr<CNivaraDlg> estacion_;
};

}  // namespace banco
