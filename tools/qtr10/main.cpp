// qtr10-sim: a QTR10 tank-gauge console on a TCP port, for the demo, the
// end-to-end tests and for trying a station without the real console.
#include <asio.hpp>
#include <csignal>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "foundation/tnq.h"
#include "qtr10/config.h"
#include "qtr10/servidor.h"

namespace {

int uso() {
  std::cerr << "usage: qtr10-sim [--config FILE] [options]\n"
               "  --address A         listen address (127.0.0.1)\n"
               "  --port N            TCP port (10001; 0: any free port)\n"
               "  --access-code HEX   8 hex bytes, \"31 32 33 34 35 36 37 38\"\n"
               "  --drift S           console clock minus this computer's, seconds\n"
               "  --layout V          tank record layout 1 to 4\n"
               "  --full              print frames and replies whole in hex\n"
               "faults:\n"
               "  --silent            never reply\n"
               "  --bad-sums          every reply checksum one off\n"
               "  --split N:MS        replies in N writes, MS apart\n"
               "  --close-early       close the connection instead of replying\n"
               "  --error-ack CODE    acknowledge with CODE (such as 0x81)\n"
               "  --refuse            close every connection at once\n"
               "  --delay MS          reply only after MS milliseconds\n"
               "  --commands \"RW ...\" the faults hit only these commands\n"
               "Options after --config override the file.\n"
               "The forecourt (controller, sales_file, nozzles of the tanks, ...) is set in\n"
               "the file only; see demo/consola.txt.\n";
  return 2;
}

struct Opcion {
  const char* nombre;
  const char* clave;
  bool con_valor;
};

constexpr Opcion kOpciones[] = {
    {"--address", "address", true},
    {"--port", "port", true},
    {"--access-code", "access_code", true},
    {"--drift", "drift", true},
    {"--layout", "record_layout", true},
    {"--silent", "fault_silent", false},
    {"--bad-sums", "fault_bad_sums", false},
    {"--split", "fault_split", true},
    {"--close-early", "fault_close_early", false},
    {"--error-ack", "fault_error_ack", true},
    {"--refuse", "fault_refuse", false},
    {"--delay", "fault_delay", true},
    {"--commands", "fault_commands", true},
};

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> a(argv + 1, argv + argc);
  qtr10::ConfigConsola config;
  size_t i = 0;
  if (a.size() >= 2 && a[0] == "--config") {
    std::string e = qtr10::lee_archivo_config(config, a[1]);
    if (!e.empty()) {
      std::cerr << "qtr10-sim: " << a[1] << ": " << e << "\n";
      return 2;
    }
    i = 2;
  }
  bool entero = false;
  for (; i < a.size(); ++i) {
    if (a[i] == "--full") {
      entero = true;
      continue;
    }
    const Opcion* o = nullptr;
    for (const Opcion& x : kOpciones) {
      if (a[i] == x.nombre) o = &x;
    }
    if (o == nullptr || (o->con_valor && i + 1 >= a.size())) return uso();
    std::string valor = o->con_valor ? a[++i] : "1";
    if (std::strcmp(o->clave, "fault_split") == 0) {
      size_t dos_puntos = valor.find(':');
      if (dos_puntos != std::string::npos) valor[dos_puntos] = ' ';
    }
    std::string e = qtr10::fija_clave(config, o->clave, valor);
    if (!e.empty()) {
      std::cerr << "qtr10-sim: " << a[i] << ": " << e << "\n";
      return 2;
    }
  }
  std::string e = qtr10::revisa_config(config);
  if (!e.empty()) {
    std::cerr << "qtr10-sim: " << e << "\n";
    return 2;
  }

  asio::io_context io;
  qtr10::Consola consola(config, qtr10::reloj_local_ms);
  qtr10::Servidor servidor(io, consola, std::cout, entero);
  e = servidor.abre(config.direccion, config.puerto);
  if (!e.empty()) {
    std::cerr << "qtr10-sim: " << e << "\n";
    return 1;
  }
  std::cout << "qtr10-sim: " << consola.tanques() << " tanks, listening on " << config.direccion
            << ":" << servidor.puerto() << std::endl;
  if (config.playa.controlador >= 0) {
    std::cout << "qtr10-sim: forecourt " << nombre_controlador(config.playa.controlador)
              << ", sales to " << config.playa.archivo << std::endl;
  }
  servidor.abre_playa();

  // Ctrl-C or a TERM is the normal way to stop.
  asio::signal_set senales(io, SIGINT, SIGTERM);
  senales.async_wait([&io](const std::error_code&, int) { io.stop(); });
  io.run();
  std::cout << "qtr10-sim: stopped" << std::endl;
  return 0;
}
