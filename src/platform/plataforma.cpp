#include "platform/plataforma.h"

#include <cstdlib>

namespace plat {

namespace {
Platform* actual = nullptr;
}

Platform& sistema() {
  if (actual == nullptr) std::abort();  // a platform is installed before any work
  return *actual;
}

void instala_plataforma(Platform* p) { actual = p; }

std::tm hora_local_actual() {
  std::tm t{};
  Platform& p = sistema();
  p.local_time(p.now(), &t);
  return t;
}

}  // namespace plat
