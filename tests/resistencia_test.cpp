// Days of a station in virtual time with faults at random: file calls that
// fail or come up short, a full disk for an hour, a console that falls
// silent or garbles its replies, the program started again on the same
// files, and a controller that begins its sales file afresh now and then.
// At the end every sale is in the store once, set aside in qtrs.apt or in
// a month's archive, or lost by the reader's rules; the store, the side
// file, the archives and the log read whole; and the station's heap has not
// grown.
//
// A few days by default. NIVARA_DIAS and NIVARA_SEMILLA set the days and
// the seed (scripts/soak.sh); the seed picks the controller layout too.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "admin/apartados.h"
#include "admin/lectura_log.h"
#include "admin/sincro.h"
#include "app/CNivaraDlg.h"
#include "estacion_en_linea.h"
#include "eventstore/apartado.h"
#include "foundation/gl.h"
#include "sales/controladores.h"

namespace {

constexpr int64_t kMinuto = 60 * 1000;
constexpr int kMinutosDia = 24 * 60;

uint64_t de_entorno(const char* nombre, uint64_t omision) {
  const char* v = std::getenv(nombre);
  return v != nullptr && *v != '\0' ? std::strtoull(v, nullptr, 10) : omision;
}

// The files a fault may hit. tnq.ini is not one: a station that cannot
// read its configuration ends, and so does one without memory or timers.
const char* const kArchivos[] = {"qtrs.nvr", "qtrs.apt", "Nivara.log", "Nivara.log.tmp",
                                 "Estado.txt", "stock.txt", "stock.txt.tmp", "//server/ventas.txt",
                                 "my_axxus.txt", "my_axxus.txt.tmp",
                                 // The archive of the month the retention drops first.
                                 "qtrs-2026-03.nvr", "qtrs-2026-03.nvr.tmp"};
const struct {
  plat::Op op;
  const char* nombre;
} kLlamadas[] = {{plat::Op::kOpen, "open"},          {plat::Op::kSize, "size"},
                 {plat::Op::kRead, "read"},          {plat::Op::kWrite, "write"},
                 {plat::Op::kSeek, "seek"},          {plat::Op::kSetEnd, "set end"},
                 {plat::Op::kFileTime, "file time"}, {plat::Op::kSync, "sync"},
                 {plat::Op::kRename, "rename"},      {plat::Op::kRemove, "remove"},
                 {plat::Op::kConnect, "connect"},    {plat::Op::kSend, "send"},
                 {plat::Op::kReceive, "receive"}};
constexpr int kLlamadasArchivo = 10;  // the first ones; the rest are the console link's

class Resistencia : public EstacionEnLinea {
 protected:
  Resistencia() { en_memoria(); }
  double azar() { return static_cast<double>(azar_() >> 11) * 0x1.0p-53; }
  int entre(int n) { return static_cast<int>(azar() * n); }
  // One fault at random, in place of the last one still waiting.
  void falla();
  // The program ends and starts again on the same files after `pausa_ms`.
  void reinicia(int64_t pausa_ms);
  // The process's heap less what the test side keeps of the run.
  size_t memoria_estacion();

  std::mt19937_64 azar_;
  std::unique_ptr<ModeloVentas> modelo;
  std::map<std::string, int> hechos;  // what was done to the station, by kind
  int minutos_consola = 0;            // the console's fault ends after these
};

void Resistencia::falla() {
  const int k = entre(12);
  if (k < 8) {
    const auto& l = kLlamadas[entre(k < 7 ? kLlamadasArchivo : std::size(kLlamadas))];
    const bool corta = (l.op == plat::Op::kRead || l.op == plat::Op::kWrite) && entre(2) == 0;
    sim->clear_faults();
    sim->inject({.op = l.op,
                 .path = l.op >= plat::Op::kConnect ? "" : kArchivos[entre(std::size(kArchivos))],
                 .nth = 1 + entre(3),
                 .short_io = corta});
    ++hechos[std::string("fault armed: ") + l.nombre + (corta ? " (short)" : "")];
    return;
  }
  qtr10::Fallos f;
  if (k < 10) {
    f.silencio = true;
    minutos_consola = 1 + entre(30);
  } else {
    (k == 10 ? f.sumas_malas : f.cierre_antes) = true;
    f.veces = 1 + entre(5);
    minutos_consola = 60;
  }
  consola->pon_fallos(f);
  ++hechos[k < 10 ? "console silent" : k == 10 ? "console bad sums" : "console closes early"];
}

void Resistencia::reinicia(int64_t pausa_ms) {
  dlg.reset();
  for (unsigned id = TIMER_CICLO; id <= TIMER_PCT; ++id) sim->KillTimer(id);
  sim->run_for(pausa_ms);
  gl_reinicia();  // a new process
  const int fallos = sim->faults_hit();
  const size_t apartado = archivo(kArchivoApartados).size();
  dlg = std::make_unique<CNivaraDlg>();
  dlg->oid();
  modelo->relectura(vista(ruta(kVentas), sim->faults_hit() != fallos),
                    archivo(kArchivoApartados).size() != apartado);
  modelo->arranque();
  ++hechos["restarts"];
}

size_t Resistencia::memoria_estacion() {
  consola->olvida_recibidas();
  return memoria_en_uso() - modelo->memoria() -
         consola->ventas_hechas().capacity() * sizeof(qtr10::VentaHecha) -
         sim->armings().capacity() * sizeof(sim->armings()[0]) -
         sim->shares().capacity() * sizeof(plat::SimPlatform::ShareConnection);
}

// The whole sale events of qtrs.apt's pieces, but those of pieces cut off
// short of a record, which are copies of a write that failed.
std::string ventas_apartadas(const std::string& d) {
  std::string v;
  for (size_t p = 0; p + kCabeceraApartado <= d.size();) {
    const auto* c = reinterpret_cast<const uint8_t*>(d.data() + p);
    const size_t largo = lee_u32_le(c + 8);
    if (c[7] != static_cast<uint8_t>(motivo_apartado::pieza_suelta)) {
      v += sucesos_venta(d.substr(p + kCabeceraApartado, largo));
    }
    p += kCabeceraApartado + largo;
  }
  return v;
}

// The 21-byte records of `datos`, sorted; WOLF's meter totals left out,
// since a restart loads the meters from what the file still holds.
std::vector<std::string> registros(const std::string& datos, bool sin_total) {
  std::vector<std::string> r;
  for (size_t i = 0; i + kLargoSuceso <= datos.size(); i += kLargoSuceso) {
    r.push_back(datos.substr(i, kLargoSuceso));
    if (sin_total) r.back().replace(campo_suceso::kTotalContador, 4, 4, '\0');
  }
  std::sort(r.begin(), r.end());
  return r;
}

// The first records of `a` that `b` lacks, as diferencia shows them.
std::string faltan(const std::vector<std::string>& a, const std::vector<std::string>& b) {
  std::vector<std::string> f;
  std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(f));
  std::string s = std::to_string(f.size()) + ":\n";
  for (size_t i = 0; i < f.size() && i < 5; ++i) {
    s += "  " + describe_venta(reinterpret_cast<const uint8_t*>(f[i].data())) + "\n";
  }
  return s;
}

TEST_F(Resistencia, EverySaleIsStoredOnceSetAsideOrLostByTheRules) {
  const int dias = static_cast<int>(de_entorno("NIVARA_DIAS", 4));
  const uint64_t semilla = de_entorno("NIVARA_SEMILLA", 8);
  SCOPED_TRACE("NIVARA_SEMILLA=" + std::to_string(semilla));
  azar_.seed(semilla);
  const auto tipo = static_cast<int32_t>(semilla % 10);
  // 60 sales an hour; each day ends with the tanks filled back.
  const std::vector<surtidor::venta_surtidor> ayer = prepara_playa(tipo, 60, semilla);
  fecha_bcd hoy{};
  fecha_actual(&hoy);
  modelo = std::make_unique<ModeloVentas>(tipo, ayer, hoy);
  arranca();
  sigue_ventas(*modelo, ruta(kVentas));
  const double llenos[2] = {consola->tanque(0).litros_reales(), consola->tanque(1).litros_reales()};

  // The first restart and the first full disk come on the first day, the
  // others at random.
  const int primer_reinicio = entre(kMinutosDia), primer_disco = entre(kMinutosDia);
  const int dia_medida = std::min(10, std::max(1, dias / 3));
  size_t memoria_medida = 0;
  int dias_con_bloques = 0;
  int disco_lleno = 0;  // minutes left
  for (int dia = 1; dia <= dias; ++dia) {
    for (int minuto = 0; minuto < kMinutosDia; ++minuto) {
      sim->run_for(kMinuto);
      if (minutos_consola > 0 && --minutos_consola == 0) consola->pon_fallos({});
      if (disco_lleno > 0) {
        if (--disco_lleno == 0) sim->clear_faults();
        continue;
      }
      const bool primero = dia == 1 && (minuto == primer_reinicio || minuto == primer_disco);
      if (azar() < 1.0 / kMinutosDia || (primero && minuto == primer_reinicio)) {
        reinicia(entre(10) * kMinuto);
      } else if (azar() < 0.5 / kMinutosDia || primero) {
        sim->clear_faults();
        sim->inject({.op = plat::Op::kWrite, .short_io = true});  // the last bytes that fitted
        sim->inject({.op = plat::Op::kWrite, .from_then_on = true, .error = ENOSPC});
        disco_lleno = 60;
        ++hechos["disk full for an hour"];
      } else if (azar() < 1.0 / 60) {
        falla();
      }
    }
    for (int t = 0; t < 2; ++t) {
      const double falta = llenos[t] - consola->tanque(t).litros_reales();
      if (falta > 0) consola->programa_descarga({static_cast<uint8_t>(t), 0, falta, 30});
    }
    dias_con_bloques += sim->live_allocations() != 0;
    if (dia == dia_medida) memoria_medida = memoria_estacion();
  }
  const size_t memoria_final = memoria_estacion();
  sim->clear_faults();

  // Every sale the reader took is in the store, or set aside, and the
  // store's sales are in order, none twice.
  const std::vector<std::string>& e = modelo->errores();
  EXPECT_TRUE(e.empty()) << e.size() << " reads broke a rule, the first:\n"
                         << e[0] << "\n"
                         << e[std::min<size_t>(1, e.size() - 1)];
  const std::string almacen = archivo("qtrs.nvr");
  std::ostream nada(nullptr);  // only whether they read whole
  std::ostringstream errores;
  admin::opciones_sincro o;
  o.ruta = ruta("qtrs.nvr");
  EXPECT_EQ(admin::imprime_sincro(o, nada, errores), 0) << errores.str();
  int desconocidos = 0, desordenadas = 0;
  uint64_t previa = 0;
  for (size_t i = 0; i + kLargoSuceso <= almacen.size(); i += kLargoSuceso) {
    const auto* r = reinterpret_cast<const uint8_t*>(almacen.data() + i);
    desconocidos += std::string("SVAN").find(static_cast<char>(r[0])) == std::string::npos ||
                    r[campo_suceso::kVersion] != kVersionSuceso;
    if (r[0] != SUCESO_VENTA) continue;
    desordenadas += clave_fecha(fecha_suceso(r)) <= previa;
    previa = clave_fecha(fecha_suceso(r));
  }
  EXPECT_EQ(desconocidos, 0);
  EXPECT_EQ(desordenadas, 0);
  if (existe(ruta(kArchivoApartados))) {
    EXPECT_EQ(admin::imprime_apartados(ruta(kArchivoApartados), nada, errores), 0) << errores.str();
  }
  const std::string guardadas = sucesos_venta(almacen);
  // And the months the retention dropped, each in its archive.
  std::string apartadas = ventas_apartadas(archivo(kArchivoApartados));
  for (const auto& a : std::filesystem::directory_iterator(sim->root())) {
    const std::string nombre = a.path().filename().string();
    if (nombre.rfind("qtrs-", 0) != 0 || a.path().extension() != ".nvr") continue;
    o.ruta = ruta(nombre);
    EXPECT_EQ(admin::imprime_sincro(o, nada, errores), 0) << errores.str();
    apartadas += sucesos_venta(archivo(nombre));
  }
  const bool wolf = tipo == CONTROLADOR_WOLF;
  const std::vector<std::string> en_archivos = registros(guardadas + apartadas, wolf);
  const std::vector<std::string> esperadas = registros(modelo->esperado().datos, wolf);
  EXPECT_TRUE(en_archivos == esperadas) << "expected, not kept " << faltan(esperadas, en_archivos)
                                        << "kept, not expected " << faltan(en_archivos, esperadas);

  // The log reads whole, its hourly stamps in order.
  const std::string log = archivo("Nivara.log");
  admin::estado_log estado;
  const admin::lectura_log l =
      admin::decodifica_log(reinterpret_cast<const uint8_t*>(log.data()), log.size(), estado);
  EXPECT_EQ(l.fin, admin::fin_log::kCompleto) << l.motivo;
  std::string sello_previo;
  int sellos_desordenados = 0;
  for (const std::string& linea : l.lineas) {
    if (linea.rfind("========", 0) != 0) continue;
    // dd/mm/yy  hh:mm:ss as yymmddhhmmss
    const std::string s = linea.substr(9, 18);
    const std::string clave = s.substr(6, 2) + s.substr(3, 2) + s.substr(0, 2) + s.substr(10);
    sellos_desordenados += clave < sello_previo;
    sello_previo = clave;
  }
  EXPECT_EQ(sellos_desordenados, 0);

  // The station's heap where it was at the first measure, give or take;
  // nothing of the platform's allocator held between events.
  const auto crecio =
      static_cast<long long>(memoria_final) - static_cast<long long>(memoria_medida);
  EXPECT_LT(crecio, 256 * 1024);
  EXPECT_EQ(dias_con_bloques, 0);

  using d = ModeloVentas::destino;
  std::string figuras = "seed " + std::to_string(semilla) + ", " + nombre_controlador(tipo) + ", " +
                        std::to_string(dias) + " days\n";
  const std::pair<const char*, int> cifras[] = {
      {"sales made", static_cast<int>(consola->ventas_hechas().size())},
      {"taken by the reader", modelo->cuenta(d::tomada)},
      {"sale events in the store", static_cast<int>(guardadas.size() / kLargoSuceso)},
      {"sale events set aside", static_cast<int>(apartadas.size() / kLargoSuceso)},
      {"lost: file begun afresh, passed over", modelo->cuenta(d::pasada)},
      {"lost: deleted by the controller unread", modelo->cuenta(d::borrada)},
      {"lost: last sale date reset past them", modelo->cuenta(d::olvidada)},
      {"not yet read at the end", modelo->cuenta(d::pendiente)},
      {"faults that hit a call", sim->faults_hit()}};
  for (const auto& [n, c] : cifras)
    figuras += "  " + std::string(n) + ": " + std::to_string(c) + "\n";
  for (const auto& llamada : kLlamadas) {
    figuras += "    hit, " + std::string(llamada.nombre) + ": " +
               std::to_string(sim->faults_hit(llamada.op)) + "\n";
  }
  for (const auto& [n, c] : hechos) figuras += "  " + n + ": " + std::to_string(c) + "\n";
  figuras += "  heap at day " + std::to_string(dia_medida) + ": " + std::to_string(memoria_medida) +
             " B, at the end: " + std::to_string(memoria_final) + " B\n";
  std::fprintf(stderr, "%s", figuras.c_str());
}

}  // namespace
