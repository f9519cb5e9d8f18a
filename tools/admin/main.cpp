// nivara-admin: the station's configuration file, event log and event store
// for people.
#include <signal.h>

#include <csignal>
#include <iostream>
#include <string>
#include <vector>

#include "admin/apartados.h"
#include "admin/config.h"
#include "admin/log.h"
#include "admin/revision.h"
#include "admin/sincro.h"
#include "admin/tabla.h"
#include "eventstore/apartado.h"
#include "eventstore/suceso.h"

namespace {

// A tank makes a new table version every few days: a year of them at most.
constexpr size_t kTablasPlot = 256;

volatile std::sig_atomic_t parar_pedido = 0;

void pide_parar(int) { parar_pedido = 1; }

int uso() {
  std::cerr << "usage:\n"
               "  nivara-admin config write <station.txt> <tnq.ini>\n"
               "  nivara-admin config print <tnq.ini>\n"
               "  nivara-admin log [--follow] [Nivara.log]\n"
               "  nivara-admin store [--tank N] [--kind S|V|A|N] [--from dd/mm/yy]\n"
               "                     [--to dd/mm/yy] [--csv] [qtrs.nvr]\n"
               "  nivara-admin store --set-aside [qtrs.apt]\n"
               "  nivara-admin store check [--repair] [qtrs.nvr]\n"
               "      (--repair: stop the service first; the store as it was is kept\n"
               "       beside it as qtrs.nvr.orig)\n"
               "  nivara-admin table print <ctNn.tan>\n"
               "  nivara-admin table compare <a.tan> <b.tan>\n"
               "  nivara-admin table plot <a.tan> [<b.tan> ...] -o <out.svg>\n"
               "      (more than two: a tank's backups ct1v*.tan, oldest first)\n";
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

int comando_table(const std::vector<std::string>& a) {
  if (a.size() == 2 && a[0] == "print") return admin::tabla_print(a[1], std::cout, std::cerr);
  if (a.size() == 3 && a[0] == "compare") {
    return admin::tabla_compare(a[1], a[2], std::cout, std::cerr);
  }
  if (a.empty() || a[0] != "plot") return uso();
  std::vector<std::string> tablas;
  std::string svg;
  for (size_t i = 1; i < a.size(); ++i) {
    if (a[i] == "-o" && i + 1 < a.size() && svg.empty()) {
      svg = a[++i];
    } else if (!a[i].empty() && a[i][0] != '-') {
      tablas.push_back(a[i]);
    } else {
      return uso();
    }
  }
  if (svg.empty() || tablas.empty() || tablas.size() > kTablasPlot) return uso();
  return admin::tabla_plot(tablas, svg, std::cerr);
}

int comando_check(const std::vector<std::string>& a) {
  bool reparar = false;
  std::string ruta = kArchivoSincro;
  bool con_ruta = false;
  for (const std::string& x : a) {
    if (x == "--repair" && !reparar) {
      reparar = true;
    } else if (!con_ruta && !x.empty() && x[0] != '-') {
      ruta = x;
      con_ruta = true;
    } else {
      return uso();
    }
  }
  return admin::comprueba_sincro(ruta, reparar, std::cout, std::cerr);
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
  if (!a.empty() && a[0] == "table") return comando_table({a.begin() + 1, a.end()});
  if (a.size() <= 3 && a.size() >= 2 && a[0] == "store" && a[1] == "--set-aside") {
    return admin::imprime_apartados(a.size() == 3 ? a[2] : kArchivoApartados, std::cout, std::cerr);
  }
  if (a.size() >= 2 && a[0] == "store" && a[1] == "check")
    return comando_check({a.begin() + 2, a.end()});
  if (!a.empty() && a[0] == "store") {
    admin::opciones_sincro o;
    if (!admin::lee_opciones_sincro({a.begin() + 1, a.end()}, o)) return uso();
    return admin::imprime_sincro(o, std::cout, std::cerr);
  }
  return uso();
}
