// nivara-admin: the station's configuration file, event log, event store
// and tables for people.
#include <signal.h>

#include <csignal>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "admin/apartados.h"
#include "admin/config.h"
#include "admin/estado.h"
#include "admin/log.h"
#include "admin/revision.h"
#include "admin/sincro.h"
#include "admin/tabla.h"
#include "eventstore/apartado.h"
#include "eventstore/suceso.h"

namespace {

// A tank makes a new table version every few days: a year of them at most.
constexpr size_t kTablasPlot = 256;

using argumentos = std::vector<std::string>;

volatile std::sig_atomic_t parar_pedido = 0;

void pide_parar(int) { parar_pedido = 1; }

constexpr const char* kUso =
    "usage:\n"
    "  nivara-admin config write <station.txt> <tnq.ini>\n"
    "  nivara-admin config print [--show-password] <tnq.ini>\n"
    "  nivara-admin log [--follow] [Nivara.log]\n"
    "  nivara-admin store [--tank N] [--kind S|V|A|N] [--from dd/mm/yy]\n"
    "                     [--to dd/mm/yy] [--csv] [qtrs.nvr]\n"
    "      (a month's archive, qtrs-2025-12.nvr, reads the same way)\n"
    "  nivara-admin store --set-aside [qtrs.apt]\n"
    "  nivara-admin store check [--repair] [qtrs.nvr]\n"
    "      (--repair: stop the service first; the store as it was is kept\n"
    "       beside it as qtrs.nvr.orig)\n"
    "  nivara-admin table print <ctNn.tan>\n"
    "  nivara-admin table compare [--tolerance L] <a.tan> <b.tan>\n"
    "  nivara-admin table plot <a.tan> [<b.tan> ...] -o <out.svg>\n"
    "      (more than two: a tank's backups ct1v*.tan, oldest first)\n"
    "  nivara-admin status [--json | --prometheus] [--output FILE] [FOLDER]\n"
    "      (the station in FOLDER, . by default: tanks, console, store, faults)\n"
    "  nivara-admin help\n";

// A usage error: what was wrong, then the usage.
int uso(const std::string& motivo) {
  std::cerr << "nivara-admin: " << motivo << "\n" << kUso;
  return 2;
}

bool es_opcion(const std::string& x) { return !x.empty() && x[0] == '-'; }

int comando_config(const argumentos& a) {
  if (a.size() == 3 && a[0] == "write") return admin::config_write(a[1], a[2], std::cerr);
  if (a.empty() || a[0] != "print") return uso("config: write or print");
  bool clave = false;
  std::string ruta;
  for (size_t i = 1; i < a.size(); ++i) {
    if (a[i] == "--show-password") {
      clave = true;
    } else if (ruta.empty() && !es_opcion(a[i])) {
      ruta = a[i];
    } else {
      return uso("config print: unexpected " + a[i]);
    }
  }
  if (ruta.empty()) return uso("config print: which tnq.ini?");
  return admin::config_print(ruta, std::cout, std::cerr, clave);
}

int comando_log(const argumentos& a) {
  bool seguir = false;
  std::string ruta = "Nivara.log";
  bool con_ruta = false;
  for (const std::string& x : a) {
    if (x == "--follow") {
      seguir = true;
    } else if (!con_ruta && !es_opcion(x) && !x.empty()) {
      ruta = x;
      con_ruta = true;
    } else {
      return uso("log: unexpected " + x);
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

int comando_store(const argumentos& a) {
  if (!a.empty() && a[0] == "--set-aside") {
    if (a.size() > 2) return uso("store --set-aside: one file only");
    return admin::imprime_apartados(a.size() == 2 ? a[1] : kArchivoApartados, std::cout, std::cerr);
  }
  if (!a.empty() && a[0] == "check") {
    bool reparar = false;
    std::string ruta = kArchivoSincro;
    bool con_ruta = false;
    for (size_t i = 1; i < a.size(); ++i) {
      if (a[i] == "--repair" && !reparar) {
        reparar = true;
      } else if (!con_ruta && !es_opcion(a[i]) && !a[i].empty()) {
        ruta = a[i];
        con_ruta = true;
      } else {
        return uso("store check: unexpected " + a[i]);
      }
    }
    return admin::comprueba_sincro(ruta, reparar, std::cout, std::cerr);
  }
  admin::opciones_sincro o;
  std::string error;
  if (!admin::lee_opciones_sincro(a, o, &error)) return uso("store: " + error);
  return admin::imprime_sincro(o, std::cout, std::cerr);
}

int comando_table(const argumentos& a) {
  if (a.size() == 2 && a[0] == "print") return admin::tabla_print(a[1], std::cout, std::cerr);
  if (!a.empty() && a[0] == "compare") {
    double tolerancia = admin::kToleranciaTablas;
    argumentos tablas;
    for (size_t i = 1; i < a.size(); ++i) {
      if (a[i] == "--tolerance" && i + 1 < a.size()) {
        char* fin = nullptr;
        tolerancia = std::strtod(a[++i].c_str(), &fin);
        if (a[i].empty() || *fin != '\0' || !(tolerancia >= 0.0)) {
          return uso("table compare: --tolerance " + a[i] + ": litres, 0 or more");
        }
      } else if (!es_opcion(a[i])) {
        tablas.push_back(a[i]);
      } else {
        return uso("table compare: unexpected " + a[i]);
      }
    }
    if (tablas.size() != 2) return uso("table compare: two tables");
    return admin::tabla_compare(tablas[0], tablas[1], tolerancia, std::cout, std::cerr);
  }
  if (a.empty() || a[0] != "plot") return uso("table: print, compare or plot");
  argumentos tablas;
  std::string svg;
  for (size_t i = 1; i < a.size(); ++i) {
    if (a[i] == "-o" && i + 1 < a.size() && svg.empty()) {
      svg = a[++i];
    } else if (!es_opcion(a[i])) {
      tablas.push_back(a[i]);
    } else {
      return uso("table plot: unexpected " + a[i]);
    }
  }
  if (svg.empty()) return uso("table plot: -o <out.svg> is missing");
  if (tablas.empty() || tablas.size() > kTablasPlot) {
    return uso("table plot: 1 to " + std::to_string(kTablasPlot) + " tables");
  }
  return admin::tabla_plot(tablas, svg, std::cerr);
}

int comando_status(const argumentos& a) {
  std::string forma, salida, carpeta;
  for (size_t i = 0; i < a.size(); ++i) {
    if ((a[i] == "--json" || a[i] == "--prometheus") && forma.empty()) {
      forma = a[i];
    } else if (a[i] == "--output" && i + 1 < a.size() && salida.empty()) {
      salida = a[++i];
    } else if (carpeta.empty() && !es_opcion(a[i]) && !a[i].empty()) {
      carpeta = a[i];
    } else {
      return uso("status: unexpected " + a[i]);
    }
  }
  return admin::comando_estado(carpeta.empty() ? "." : carpeta, forma, salida, std::cout,
                               std::cerr);
}

}  // namespace

int main(int argc, char** argv) {
  const argumentos a(argv + 1, argv + argc);
  if (a.empty()) return uso("which command?");
  const argumentos resto(a.begin() + 1, a.end());
  if (a[0] == "help" || a[0] == "--help" || a[0] == "-h") {
    std::cout << kUso;
    return 0;
  }
  if (a[0] == "config") return comando_config(resto);
  if (a[0] == "log") return comando_log(resto);
  if (a[0] == "store") return comando_store(resto);
  if (a[0] == "table") return comando_table(resto);
  if (a[0] == "status") return comando_status(resto);
  return uso("unknown command " + a[0]);
}
