// The service: the station on the real platform, in its working folder.
// Whoever runs it (a person, systemd's journal) learns on standard error,
// one line each, why it would not start and why it ended.
#include <cstdio>
#include <string>

#include "app/CNivaraApp.h"
#include "app/CNivaraDlg.h"
#include "platform/real_platform.h"

namespace {

constexpr int kSalidaUso = 2;

constexpr const char* kAyuda =
    "usage: nivara [--help | --version]\n"
    "\n"
    "The fuel station service. It runs in its working folder: there it reads\n"
    "tnq.ini (made by nivara-admin config write) and keeps Nivara.log,\n"
    "Estado.txt, qtrs.nvr and the tables in tan/. It takes no other options.\n";

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1) {
    const std::string a = argv[1];
    const bool sabida = a == "--help" || a == "--version";
    if (argc == 2 && sabida) {
      if (a == "--help") std::fputs(kAyuda, stdout);
      if (a == "--version") std::printf("nivara %d.%d\n", kVersionMayor, kVersionMenor);
      return 0;
    }
    std::fprintf(stderr, "nivara: unexpected argument '%s' (see nivara --help)\n",
                 argv[sabida ? 2 : 1]);
    return kSalidaUso;
  }

  plat::RealPlatform plataforma;
  // Every orderly end has written its reason to the journal first.
  plataforma.set_end_report(
      [](const char* motivo) { std::fprintf(stderr, "nivara: %s (see Estado.txt)\n", motivo); });
  CNivaraApp app;
  return app.InitInstance(plataforma);
}
