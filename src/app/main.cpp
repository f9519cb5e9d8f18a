// The service: the station on the real platform, in its working folder.
// Whoever runs it (a person, systemd's journal) learns on standard error,
// one line each, why it would not start and why it ended.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "app/CNivaraApp.h"
#include "app/CNivaraDlg.h"
#include "platform/real_platform.h"
#include "platform/working_folder.h"

namespace {

constexpr int kSalidaNoArranca = 1;  // the folder cannot be written, or is taken
constexpr int kSalidaUso = 2;

constexpr const char* kAyuda =
    "usage: nivara [--help | --version]\n"
    "\n"
    "The fuel station service. It runs in its working folder: there it reads\n"
    "tnq.ini (made by nivara-admin config write) and keeps Nivara.log,\n"
    "Estado.txt, qtrs.nvr and the tables in tan/. One service runs in a folder\n"
    "at a time; nivara.lock there names it. It takes no other options.\n";

// The folder must take new files and hold no other service: 0, or the exit
// status of a refused start. Only the lock file is written.
int toma_carpeta(const std::string& carpeta) {
  int error = plat::folder_write_error(".");
  plat::InstanceLock cerrojo;
  if (error == 0) {
    cerrojo = plat::take_instance_lock(plat::kInstanceLockFile);
    error = cerrojo.error;
  }
  if (error == EWOULDBLOCK) {
    if (cerrojo.holder > 0) {
      std::fprintf(stderr, "nivara: another nivara (pid %ld) runs in %s; not started\n",
                   static_cast<long>(cerrojo.holder), carpeta.c_str());
    } else {
      std::fprintf(stderr, "nivara: another nivara runs in %s; not started\n", carpeta.c_str());
    }
    return kSalidaNoArranca;
  }
  if (error != 0) {
    std::fprintf(stderr, "nivara: cannot write in the working folder %s: %s\n", carpeta.c_str(),
                 std::strerror(error));
    return kSalidaNoArranca;
  }
  return 0;
}

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
  std::error_code ec;
  const std::string carpeta = std::filesystem::current_path(ec).string();
  if (const int salida = toma_carpeta(carpeta)) return salida;
  // The station reads a missing tnq.ini as a fatal error, which its end
  // line names only as such.
  if (::access("tnq.ini", F_OK) != 0) {
    std::fprintf(stderr,
                 "nivara: no configuration has been read: no tnq.ini in %s (write it with "
                 "nivara-admin config write)\n",
                 carpeta.c_str());
  }

  plat::RealPlatform plataforma;
  // Every orderly end has written its reason to the journal first.
  plataforma.set_end_report(
      [](const char* motivo) { std::fprintf(stderr, "nivara: %s (see Estado.txt)\n", motivo); });
  CNivaraApp app;
  return app.InitInstance(plataforma);
}
