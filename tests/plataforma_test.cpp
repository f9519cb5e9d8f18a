// Window timer semantics, the same on the real and the simulated platform;
// the simulated platform's faults on a share's files.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
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
}

// A share's file is a file like any other to the simulated platform: each
// call the sales reader makes on it can be made to fail, and only that one.
TEST(PlataformaSimulada, CadaLlamadaSobreUnArchivoDelRecursoPuedeFallar) {
  using plat::Op;
  char plantilla[] = "/tmp/nivara-plat-XXXXXX";
  const std::string raiz = ::mkdtemp(plantilla);
  std::filesystem::create_directories(raiz + "/estacion/ventas");
  const char* ventas = "\\\\estacion\\ventas\\v.txt";
  for (Op op : {Op::kShare, Op::kOpen, Op::kSize, Op::kFileTime, Op::kSeek, Op::kRead, Op::kSetEnd,
                Op::kWrite, Op::kCopy, Op::kRemove}) {
    SCOPED_TRACE(static_cast<int>(op));
    escribe_archivo(raiz + "/estacion/ventas/v.txt", "0123");
    plat::SimPlatform p(raiz, 0);
    p.inject({.op = op,
              .path = op == Op::kShare  ? "//estacion/ventas"
                      : op == Op::kCopy ? "copia.txt"
                                        : "//estacion/ventas/v.txt",
              .error = 77});
    std::vector<Op> fallidas;
    auto mira = [&](Op o, bool ok) {
      if (ok) return;
      fallidas.push_back(o);
      EXPECT_EQ(p.last_error(), 77);
    };
    mira(Op::kShare, p.connect_share("\\\\estacion\\ventas", "u", "c"));
    int f = p.open(ventas, plat::kReadWrite, plat::Share::kNone, plat::Creation::kOpenExisting);
    mira(Op::kOpen, f != plat::kInvalidFile);
    if (f != plat::kInvalidFile) {
      uint64_t n = 0;
      int64_t ns = 0;
      char buf[8];
      uint32_t hecho = 0;
      mira(Op::kSize, p.size(f, &n));
      mira(Op::kFileTime, p.file_time(f, &ns));
      mira(Op::kSeek, p.seek(f, 2, plat::Origin::kBegin, nullptr));
      mira(Op::kRead, p.read(f, buf, 1, &hecho));
      mira(Op::kSetEnd, p.set_end(f));
      mira(Op::kWrite, p.write(f, "x", 1, &hecho));
      p.close(f);
    }
    mira(Op::kCopy, p.copy(ventas, "copia.txt"));
    mira(Op::kRemove, p.remove(ventas));
    EXPECT_EQ(fallidas, std::vector<Op>{op});
  }
  std::filesystem::remove_all(raiz);
}

}  // namespace
