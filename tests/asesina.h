// A simulated platform that kills its own process at the nth call that
// writes, moves or closes a file (before those, nothing has changed). A long
// write is cut in half first, as a crash in the middle of it would. A test
// forks, installs it in the child and looks at the files after each death.
#pragma once

#include <signal.h>

#include <functional>
#include <string>
#include <utility>

#include "platform/sim_platform.h"

class Asesina : public plat::SimPlatform {
 public:
  Asesina(std::string root, int64_t t, int nth) : SimPlatform(std::move(root), t), nth_(nth) {}
  bool write(int f, const void* b, uint32_t n, uint32_t* d) override {
    if (llamadas_ + 1 == nth_ && n > kEscrituraCorta) SimPlatform::write(f, b, n / 2, d);
    return paso() && SimPlatform::write(f, b, n, d);
  }
  bool seek(int f, int64_t o, plat::Origin w, uint64_t* pos) override {
    return paso() && SimPlatform::seek(f, o, w, pos);
  }
  bool sync(int f) override { return paso() && SimPlatform::sync(f); }
  bool rename(const char* a, const char* b) override { return paso() && SimPlatform::rename(a, b); }
  void close(int f) override {
    if (paso()) SimPlatform::close(f);
  }

 private:
  static constexpr uint32_t kEscrituraCorta = 21;  // a store record goes in whole

  // Dies at the nth call; true otherwise.
  bool paso() {
    if (++llamadas_ == nth_) ::raise(SIGKILL);
    return true;
  }
  int nth_;
  int llamadas_ = 0;
};

// Runs `operacion` in a child process that dies at the 1st, 2nd, ... call
// that writes, moves or closes a file, until a run ends by itself. Before
// each run `prepara` lays the files down; after it `comprueba` looks at
// them, told whether the run died. Returns how many runs died.
int mata_en_cada_paso(plat::SimPlatform& sim, const std::function<void()>& prepara,
                      const std::function<void()>& operacion,
                      const std::function<void(bool murio)>& comprueba);
