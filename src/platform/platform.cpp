// The platform chosen at start, and the local time read from its clock.
#include "platform/platform.h"

#include <cstdlib>

namespace plat {

namespace {
Platform* installed = nullptr;
}

Platform& current() {
  if (installed == nullptr) std::abort();  // a platform is installed before any work
  return *installed;
}

void install(Platform* p) { installed = p; }

std::tm local_now() {
  std::tm t{};
  Platform& p = current();
  p.local_time(p.now(), &t);
  return t;
}

}  // namespace plat
