// nivara-calidad: how close the automatic calibration brings a tank's table
// to the tank, measured on a simulated station in virtual time.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "calidad/calidad.h"

namespace {

int uso() {
  std::cerr << "usage: nivara-calidad [--days N] [--noise MM] [--table-scale F]\n"
               "                      [--sales-per-hour N] [--meter-error PCT] [-o out.svg]\n"
               "Runs a station against a simulated console whose first table holds the\n"
               "true litres times F (0.96), its gauge reading within MM (0.5), for N\n"
               "days (30), and prints the working table's error day by day.\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  calidad::Escenario e;
  std::string svg;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (i + 1 >= argc) return uso();
    const char* v = argv[++i];
    char* fin = nullptr;
    const double x = std::strtod(v, &fin);
    const bool numero = fin != v && *fin == '\0';
    if (a == "-o") {
      svg = v;
    } else if (a == "--days" && numero && x >= 1 && x <= 366) {
      e.dias = static_cast<int>(x);
    } else if (a == "--noise" && numero && x >= 0) {
      e.ruido_mm = x;
    } else if (a == "--table-scale" && numero && x > 0) {
      e.escala_tabla = x;
    } else if (a == "--sales-per-hour" && numero && x > 0 && x <= 3600) {
      e.ventas_hora = x;
    } else if (a == "--meter-error" && numero && x > -50 && x < 50) {
      e.error_medidor = x;
    } else {
      return uso();
    }
  }
  char plantilla[] = "/tmp/nivara-calidad-XXXXXX";
  if (::mkdtemp(plantilla) == nullptr) {
    std::perror("nivara-calidad");
    return 1;
  }
  plat::SimPlatform sim(plantilla, std::time(nullptr));
  plat::install(&sim);
  const calidad::Resultado r = calidad::mide(e, sim);
  std::filesystem::remove_all(plantilla);
  if (r.dias.empty()) {
    std::cerr << "nivara-calidad: the station made no working table\n";
    return 1;
  }
  std::cout << calidad::texto(r);
  if (!svg.empty() && !(std::ofstream(svg) << calidad::svg(r))) {
    std::cerr << "nivara-calidad: cannot write " << svg << "\n";
    return 1;
  }
  return 0;
}
