// nivara-admin: the station's configuration file and event log for people.
#include <signal.h>

#include <csignal>
#include <iostream>
#include <string>
#include <vector>

#include "admin/config.h"
#include "admin/log.h"

namespace {

volatile std::sig_atomic_t parar_pedido = 0;

void pide_parar(int) { parar_pedido = 1; }

int uso() {
  std::cerr << "usage:\n"
               "  nivara-admin config write <station.txt> <tnq.ini>\n"
               "  nivara-admin config print <tnq.ini>\n"
               "  nivara-admin log [--follow] [Nivara.log]\n";
  return 2;
}

int comando_log(const std::vector<std::string>& a) {
  bool seguir = false;
  std::string ruta = "Nivara.log";
  bool con_ruta = false;
  for (const std::string& x : a) {
    if (x == "--follow") {
      seguir = true;
    } else if (!con_ruta && (x.empty() || x[0] != '-')) {
      ruta = x;
      con_ruta = true;
    } else {
      return uso();
    }
  }
  if (!seguir) return admin::imprime_log(ruta, std::cout, std::cerr);
  // Ctrl-C or a TERM ends the following normally, not by default death.
  struct sigaction sa {};
  sa.sa_handler = pide_parar;
  sigemptyset(&sa.sa_mask);
  sigaction(SIGINT, &sa, nullptr);
  sigaction(SIGTERM, &sa, nullptr);
  return admin::sigue_log(ruta, std::cout, std::cerr, [] { return parar_pedido != 0; });
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> a(argv + 1, argv + argc);
  if (a.size() == 4 && a[0] == "config" && a[1] == "write") {
    return admin::config_write(a[2], a[3], std::cerr);
  }
  if (a.size() == 3 && a[0] == "config" && a[1] == "print") {
    return admin::config_print(a[2], std::cout, std::cerr);
  }
  if (!a.empty() && a[0] == "log") return comando_log({a.begin() + 1, a.end()});
  return uso();
}
