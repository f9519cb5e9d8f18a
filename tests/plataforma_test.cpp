// Window timer semantics, the same on the real and the simulated platform.
#include <gtest/gtest.h>

#include <vector>

#include "entorno.h"
#include "platform/real_platform.h"

namespace {

// Timer 1 fires every 2 ms until its third firing kills it; timer 2, armed
// every time timer 1 fires, is pushed back each time and fires only once, after
// timer 1 has stopped.
template <typename Correr>
std::vector<unsigned> secuencia(plat::Platform& p, Correr correr) {
  std::vector<unsigned> ids;
  int veces = 0;
  p.set_timer_handler([&](unsigned id) {
    ids.push_back(id);
    if (id == 1) {
      p.SetTimer(2, 5);
      if (++veces == 3) p.KillTimer(1);
    } else {
      p.KillTimer(2);
    }
  });
  EXPECT_NE(p.SetTimer(1, 2), 0u);
  correr();
  return ids;
}

TEST(Timers, RealAndSimulatedPlatformsFireRearmAndKillAlike) {
  plat::RealPlatform r;
  EXPECT_EQ(secuencia(r, [&] { r.io().run(); }),  // returns once nothing is armed
            (std::vector<unsigned>{1, 1, 1, 2}));
  EXPECT_EQ(r.SetTimer(3, 0), 0u);
  plat::SimPlatform p("/tmp", 0);
  EXPECT_EQ(secuencia(p, [&] { p.run(); }), (std::vector<unsigned>{1, 1, 1, 2}));
  EXPECT_EQ(p.now_ms(), 6 + 5);  // on the virtual clock
  EXPECT_FALSE(p.timer_armed(1));
  // An injected arming fault hits only its timer and its nth call.
  p.inject({.op = plat::Op::kSetTimer, .timer = 7, .nth = 2});
  EXPECT_NE(p.SetTimer(7, 10), 0u);
  EXPECT_NE(p.SetTimer(8, 10), 0u);
  EXPECT_EQ(p.SetTimer(7, 10), 0u);
  EXPECT_NE(p.SetTimer(7, 10), 0u);
}

}  // namespace
