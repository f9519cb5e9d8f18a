// The platform chosen at start, and the local time read from its clock.
#include "platform/platform.h"

#include <cstdlib>
#include <string>

namespace plat {

namespace {
Platform* installed = nullptr;
}

Platform& current() {
  if (installed == nullptr) std::abort();  // a platform is installed before any work
  return *installed;
}

void install(Platform* p) { installed = p; }

bool Platform::copy_in_steps(const char* from, const char* to, int* error) {
  const int in = open(from, kRead, Share::kRead, Creation::kOpenExisting);
  if (in == kInvalidFile) {
    *error = last_error();
    return false;
  }
  const std::string temp = std::string(to) + ".tmp";
  const int out = open(temp.c_str(), kWrite, Share::kNone, Creation::kCreateAlways);
  bool ok = out != kInvalidFile;
  char buf[65536];
  while (ok) {
    uint32_t got = 0, put = 0;
    ok = read(in, buf, sizeof buf, &got);
    if (!ok || got == 0) break;
    ok = write(out, buf, got, &put) && put == got;
  }
  ok = ok && sync(out);
  *error = ok ? 0 : last_error();
  close(in);
  if (out != kInvalidFile) close(out);
  if (ok && !rename(temp.c_str(), to)) {
    ok = false;
    *error = last_error();
  }
  if (!ok && out != kInvalidFile) remove(temp.c_str());
  return ok;
}

std::tm local_now() {
  std::tm t{};
  Platform& p = current();
  p.local_time(p.now(), &t);
  return t;
}

}  // namespace plat
