// Peak resident memory of the operations that scan the station's files, on
// files far bigger than a station ever makes: a store and a log of 300 MB by
// default (--mb N), real files in a folder under /tmp, the real platform.
//
// Each operation runs in a process of its own, forked from this small one,
// and its peak is the child's ru_maxrss. The first line, "nada", is a child
// that only sets up and ends: the cost of the program itself.
//
//   nivara_memoria [--mb N] [--solo operacion]
//
// Prints one line per operation: its name, the file's size, the peak in MB
// and whether it stays under the bound. Exits 1 when one does not.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "../carpeta_bench.h"
#include "admin/log.h"
#include "admin/sincro.h"
#include "app/CNivaraDlg.h"
#include "eventstore/suceso.h"
#include "foundation/gl.h"
#include "inventory/venta_consulta.h"
#include "platform/real_platform.h"
#include "sales/axxus.h"
#include "sales/controladores.h"
#include "surtidor/surtidor.h"

namespace {

constexpr double kCotaMb = 16.0;
constexpr size_t kBloque = 1 << 20;
constexpr int kTanques = 8;
constexpr int64_t kPaso = 12;  // s from one sale to the next, any tank

// Writes a file in blocks of 1 MB that `llena` fills, up to `bytes`.
void escribe(const char* nombre, uint64_t bytes,
             const std::function<void(std::vector<uint8_t>&)>& llena) {
  FILE* f = std::fopen(nombre, "wb");
  if (f == nullptr) std::abort();
  std::vector<uint8_t> b;
  uint64_t hechos = 0;
  while (hechos < bytes) {
    b.clear();
    llena(b);
    const size_t n = static_cast<size_t>(std::min<uint64_t>(b.size(), bytes - hechos));
    if (std::fwrite(b.data(), 1, n, f) != n) std::abort();
    hechos += n;
  }
  if (std::fclose(f) != 0) std::abort();
}

fecha_bcd fecha_de(std::time_t x) {
  std::tm t{};
  ::localtime_r(&x, &t);
  return {
      bin_a_bcd(static_cast<unsigned>(t.tm_sec)),       bin_a_bcd(static_cast<unsigned>(t.tm_min)),
      bin_a_bcd(static_cast<unsigned>(t.tm_hour)),      bin_a_bcd(static_cast<unsigned>(t.tm_mday)),
      bin_a_bcd(static_cast<unsigned>(t.tm_mon + 1)),   0,
      bin_a_bcd(static_cast<unsigned>(t.tm_year % 100))};
}

// The first of the month before last, three years back: the records' months
// run from one of the kept month numbers, and every date is in the past.
std::time_t inicio_almacen() {
  std::time_t ahora = std::time(nullptr);
  std::tm t{};
  ::localtime_r(&ahora, &t);
  t.tm_mon -= 2;
  t.tm_year -= 3;
  t.tm_mday = 1;
  t.tm_hour = t.tm_min = t.tm_sec = 0;
  t.tm_isdst = -1;
  return std::mktime(&t);
}

// A station's store of eight tanks: each step a sale, and the snapshot of
// the tank that sold two steps before; a start-up once a week. `largo` is
// the record's length (19 for version 4). With `vencido` the first record is
// four months old; the tank-1 snapshot nearest 400 records before the end
// carries the capture mark.
void almacen(const char* nombre, uint64_t bytes, size_t largo, uint8_t version, bool vencido) {
  const std::time_t inicio = inicio_almacen();
  const uint64_t total = bytes / largo;
  uint64_t i = 0, paso = 0;
  float nivel[kTanques];
  for (int t = 0; t < kTanques; ++t) nivel[t] = 1900.0f - 100.0f * static_cast<float>(t);
  uint32_t azar = 12345;
  bool marcado = false;
  escribe(nombre, total * largo, [&](std::vector<uint8_t>& b) {
    while (b.size() + 3 * largo <= kBloque) {
      const std::time_t s = inicio + static_cast<std::time_t>(paso * kPaso);
      const int t = static_cast<int>(paso % kTanques);
      const int antes = static_cast<int>((paso + kTanques - 2) % kTanques);
      uint8_t r[3][kLargoSuceso];
      int n = 0;
      if (paso % (7 * 86400 / kPaso) == 0) suceso_arranque(fecha_de(s), 0, r[n++]);
      foto_tanque f{};
      f.fecha = fecha_de(s);
      f.tanque = static_cast<uint8_t>(antes);
      f.nivel = nivel[antes];
      f.litros = 5.0f * nivel[antes];
      suceso_foto(f, r[n]);
      if (!marcado && antes == 0 && i + static_cast<uint64_t>(n) + 400 >= total) {
        r[n][campo_suceso::kMarca] |= kMarcaCaptura;
        marcado = true;
      }
      ++n;
      azar = azar * 1103515245 + 12345;
      const float litros = 20.0f + static_cast<float>(azar >> 16 & 0x3FF) / 64.0f;
      suceso_venta({fecha_de(s), static_cast<uint8_t>(t), litros, -1.0f}, r[n++]);
      nivel[t] -= litros / 5.0f;
      if (nivel[t] < 300) nivel[t] = 1900;
      for (int k = 0; k < n; ++k) {
        r[k][campo_suceso::kVersion] = version;
        if (vencido && i == 0) {
          fecha_bcd hoy;
          fecha_actual(&hoy);
          r[k][campo_suceso::kMes] = bin_a_bcd((bcd_a_bin(hoy.mes) + 7) % 12 + 1);
        }
        b.insert(b.end(), r[k], r[k] + largo);
        ++i;
      }
      ++paso;
    }
  });
}

// The log: each hour's stamp, 50 events and 10 texts, again and again.
void log_grande(const char* nombre, uint64_t bytes) {
  escribe(nombre, bytes, [](std::vector<uint8_t>& b) {
    while (b.size() + 1024 <= kBloque) {
      const std::string sello = std::string("\x3c\x00\xff", 3) + "05/03/26  01:00:00";
      b.insert(b.end(), sello.begin(), sello.end());
      b.push_back(0);
      for (int k = 0; k < 50; ++k) b.insert(b.end(), {0x3c, 0x00, 12});
      for (int k = 0; k < 10; ++k) {
        const std::string texto = std::string("\x3c\x00\xff", 3) + "-> Venta = 1234.5 Lts - OK";
        b.insert(b.end(), texto.begin(), texto.end());
        b.push_back(0);
      }
    }
  });
}

// SVS AXXUS's binary file: a sale every 12 s.
void axxus_grande(const char* nombre, uint64_t bytes) {
  const std::time_t inicio = inicio_almacen();
  int64_t paso = 0;
  escribe(nombre, bytes / kLargoRegistroAxxus * kLargoRegistroAxxus, [&](std::vector<uint8_t>& b) {
    while (b.size() + kLargoRegistroAxxus <= kBloque) {
      const fecha_bcd f = fecha_de(inicio + static_cast<std::time_t>(paso * kPaso));
      const std::string r =
          surtidor::registro_axxus({f, 1 + static_cast<int>(paso % 4), 1, 1, 25.5f, 0});
      b.insert(b.end(), r.begin(), r.end());
      ++paso;
    }
  });
}

uint64_t tamano(const char* nombre) { return std::filesystem::file_size(nombre); }

void copia(const char* de, const char* a) {
  std::filesystem::copy_file(de, a, std::filesystem::copy_options::overwrite_existing);
}

struct operacion {
  const char* nombre;
  const char* archivo;                     // whose size is reported
  std::function<void()> prepara;           // untimed, in this process
  std::function<void(CNivaraDlg&)> corre;  // in the child
};

// Runs `op` in a child; its peak resident memory in MB, or -1 when it failed.
double pico_mb(const operacion& op) {
  std::fflush(nullptr);
  const pid_t hijo = ::fork();
  if (hijo < 0) std::abort();
  if (hijo == 0) {
    auto dlg = std::make_unique<CNivaraDlg>();
    op.corre(*dlg);
    std::fflush(nullptr);
    ::_exit(0);
  }
  int estado = 0;
  rusage uso{};
  if (::wait4(hijo, &estado, 0, &uso) != hijo || !WIFEXITED(estado) || WEXITSTATUS(estado) != 0) {
    return -1;
  }
  return static_cast<double>(uso.ru_maxrss) / 1024.0;
}

}  // namespace

int main(int argc, char** argv) {
  uint64_t mb = 300;
  std::string solo;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--mb") == 0) mb = std::strtoull(argv[i + 1], nullptr, 10);
    if (std::strcmp(argv[i], "--solo") == 0) solo = argv[i + 1];
  }
  const uint64_t bytes = mb << 20;
  plat::install(new plat::RealPlatform());
  std::string carpeta = "/tmp/nivara-memoria-XXXXXX";
  if (::mkdtemp(carpeta.data()) == nullptr || ::chdir(carpeta.c_str()) != 0) return 2;
  std::printf("files in %s\n", carpeta.c_str());

  almacen("v5.nvr", bytes, kLargoSuceso, kVersionSuceso, false);
  const fecha_bcd desde = fecha_de(std::time(nullptr) - 86400 * 30);
  const fecha_bcd hasta = fecha_de(std::time(nullptr));
  const auto configura_axxus = [](CNivaraDlg& d) {
    d.config.pon_controlador(CONTROLADOR_SVS_AXXUS);
    d.config.pon_texto(tnq::kFileVentas, tnq::kLargoFileVentas, "ventas.axx");
  };
  const std::vector<operacion> ops = {
      {"nada", "v5.nvr", [] {}, [](CNivaraDlg&) {}},
      {"arranque (vfs + sus)", kArchivoSincro, [] { copia("v5.nvr", kArchivoSincro); },
       [](CNivaraDlg& d) {
         d.vfs();
         d.sus();
       }},
      {"retencion (afs)", kArchivoSincro,
       [bytes] { almacen(kArchivoSincro, bytes, kLargoSuceso, kVersionSuceso, true); },
       [](CNivaraDlg& d) {
         fecha_actual(&d.resp.tanques[0].fecha_hora);
         if (!d.afs('S', 0)) std::exit(1);
       }},
      {"consulta (bv)", kArchivoSincro, [] { copia("v5.nvr", kArchivoSincro); },
       [desde, hasta](CNivaraDlg&) {
         float litros = 0;
         consulta_venta(0, desde, hasta, &litros);
       }},
      {"captura (Autclb)", kArchivoSincro,
       [] {
         copia("v5.nvr", kArchivoSincro);
         std::filesystem::create_directories("tan");
       },
       [](CNivaraDlg& d) {
         if (!scf(0, banco::tabla_escalonada())) std::exit(1);
         d.Autclb(0);
       }},
      {"conversion (vfs)", kArchivoSincro,
       [bytes] { almacen(kArchivoSincro, bytes, 19, 4, false); },
       [](CNivaraDlg& d) {
         if (!d.vfs()) std::exit(1);
       }},
      {"recorte del log (gl)", "Nivara.log", [bytes] { log_grande("Nivara.log", bytes); },
       [](CNivaraDlg&) { gl(12); }},
      {"axxus (gma)", "ventas.axx", [bytes] { axxus_grande("ventas.axx", bytes); },
       [configura_axxus](CNivaraDlg& d) {
         configura_axxus(d);
         if (!d.gma()) std::exit(1);
       }},
      {"nivara-admin store", kArchivoSincro, [] { copia("v5.nvr", kArchivoSincro); },
       [](CNivaraDlg&) {
         std::ostringstream nada;
         admin::opciones_sincro o;
         o.ruta = kArchivoSincro;
         o.tipo = 'X';  // no record passes: only the reading counts
         admin::imprime_sincro(o, nada, nada);
       }},
      {"nivara-admin log", "Nivara.log", [bytes] { log_grande("Nivara.log", bytes); },
       [](CNivaraDlg&) {
         // Lines go nowhere: only the reading is measured here.
         struct : std::streambuf {
           int overflow(int c) override { return c; }
         } sumidero;
         std::ostream fuera(&sumidero);
         admin::imprime_log("Nivara.log", fuera, fuera);
       }},
  };
  int resultado = 0;
  std::printf("%-24s %10s %12s %10s\n", "operation", "file MB", "peak RSS MB", "bound MB");
  for (const operacion& op : ops) {
    if (!solo.empty() && solo != op.nombre && std::strcmp(op.nombre, "nada") != 0) continue;
    op.prepara();
    const double archivo = static_cast<double>(tamano(op.archivo)) / (1 << 20);
    const double pico = pico_mb(op);
    const bool bien = pico >= 0 && pico < kCotaMb;
    std::printf("%-24s %10.0f %12.1f %10.0f %s\n", op.nombre, archivo, pico, kCotaMb,
                pico < 0 ? "FAILED"
                : bien   ? ""
                         : "OVER");
    std::fflush(stdout);
    if (!bien) resultado = 1;
  }
  std::filesystem::remove_all(carpeta);
  return resultado;
}
