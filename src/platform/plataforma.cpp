// The platform chosen at start, and the local time read from its clock.
#include "platform/plataforma.h"

#include <cstdlib>

namespace plat {

namespace {
Platform* current = nullptr;
}

Platform& sistema() {
  if (current == nullptr) std::abort();  // a platform is installed before any work
  return *current;
}

void instala_plataforma(Platform* p) { current = p; }

std::tm hora_local_actual() {
  std::tm t{};
  Platform& p = sistema();
  p.local_time(p.now(), &t);
  return t;
}

}  // namespace plat
