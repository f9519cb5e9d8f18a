// The service: the station on the real platform. Whoever runs it (a person,
// systemd's journal) learns on standard error, one line each, why it ended.
#include <cstdio>

#include "app/CNivaraApp.h"
#include "platform/real_platform.h"

int main() {
  plat::RealPlatform plataforma;
  // Every orderly end has written its reason to the journal first.
  plataforma.set_end_report(
      [](const char* motivo) { std::fprintf(stderr, "nivara: %s (see Estado.txt)\n", motivo); });
  CNivaraApp app;
  return app.InitInstance(plataforma);
}
