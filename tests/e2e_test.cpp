// The real service and the console simulator over 127.0.0.1, in a folder of
// their own, with a tnq.ini written by the admin tool.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "entorno.h"
#include "eventstore/suceso.h"
#include "foundation/bytes.h"
#include "foundation/fecha_bcd.h"
#include "procesos.h"
#include "sales/controladores.h"
#include "samba.h"
#include "surtidor/surtidor.h"

namespace {

const char* kEstacion =
    "console_address = 127.0.0.1\n"
    "console_port = %d\n"
    "access_code = 31 32 33 34 35 36 37 38\n"
    "controller = %s\n"
    "sales_file = %s\n"
    "share_user = %s\n"
    "share_password = %s\n"
    "stop_nivara = %d\n"
    "clock_sync = 1\n"
    "stock_file = stock.txt\n"
    "tank 1 = genera 1  actuqtr 1  nozzles 1/1 2/1\n"
    "tank 2 = genera 0  actuqtr 0  nozzles 3/2\n";

class Servicio : public ::testing::Test {
 protected:
  void SetUp() override {
    char plantilla[] = "/tmp/nivara-e2e-XXXXXX";
    carpeta = ::mkdtemp(plantilla);
  }
  void TearDown() override { std::filesystem::remove_all(carpeta); }

  std::string en(const std::string& nombre) { return carpeta + "/" + nombre; }

  // The station in `donde`: its console on `puerto`, its sales in `ventas`.
  static void configura(const std::string& donde, int puerto, int stop,
                        const std::string& ventas = "ventas.txt",
                        const char* controlador = "PIRCAL", const std::string& usuario = "",
                        const std::string& clave = "") {
    char texto[1024];
    std::snprintf(texto, sizeof texto, kEstacion, puerto, controlador, ventas.c_str(),
                  usuario.c_str(), clave.c_str(), stop);
    escribe_archivo(donde + "/estacion.txt", texto);
    const std::string orden = std::string(NIVARA_ADMIN_BIN) + " config write " + donde +
                              "/estacion.txt " + donde + "/tnq.ini";
    ASSERT_EQ(std::system(orden.c_str()), 0);
  }
  void configura(int puerto, int stop) { configura(carpeta, puerto, stop); }

  // Starts qtr10-sim --full on `puerto` (0: a free one) with `consola` as its
  // "consola.txt", its output going to "consola.out"; returns the port.
  int arranca_consola(const std::string& consola, unsigned puerto = 0) {
    escribe_archivo(en("consola.txt"), "access_code = 31 32 33 34 35 36 37 38\n" + consola);
    consola_pid = lanza(QTR10_SIM_BIN,
                        {"--config", "consola.txt", "--port", std::to_string(puerto), "--full"},
                        carpeta, "consola.out");
    std::string salida = espera_texto(en("consola.out"), "\n");
    salida.resize(salida.find('\n'));  // "... listening on 127.0.0.1:PORT"
    const size_t dos_puntos = salida.rfind(':');
    EXPECT_NE(dos_puntos, std::string::npos) << salida;
    return dos_puntos == std::string::npos ? 0 : std::stoi(salida.substr(dos_puntos + 1));
  }

  std::string carpeta;
  pid_t consola_pid = 0;
};

// A 21-byte record of the event store, dated `hora`:`minuto` of the local day
// of `t`.
std::string suceso(char tipo, time_t t, unsigned hora, unsigned minuto, uint8_t tanque,
                   float litros = 0, float contador = 0) {
  std::tm x{};
  ::localtime_r(&t, &x);
  uint8_t r[21] = {static_cast<uint8_t>(tipo),
                   5,
                   0,
                   bin_a_bcd(minuto),
                   bin_a_bcd(hora),
                   bin_a_bcd(static_cast<unsigned>(x.tm_mday)),
                   bin_a_bcd(static_cast<unsigned>(x.tm_mon + 1)),
                   0,
                   bin_a_bcd(static_cast<unsigned>(x.tm_year % 100)),
                   tanque};
  escribe_real_le(r + 10, litros);
  escribe_real_le(r + 14, contador);
  return std::string(reinterpret_cast<const char*>(r), sizeof r);
}

TEST_F(Servicio, PollsTheSimulatorAnswersItsQuestionAndEndsQuietlyOnSigtermOrItsStopFlag) {
  // A store of two days ago: sales of tank 1 at 10:00, 10:30 and 10:45 with
  // meter totals, one of tank 2 at 11:00.
  const time_t dia = ::time(nullptr) - 2 * 86400;
  const std::string almacen =
      suceso('A', dia - 86400, 8, 0, 0) + suceso('V', dia, 10, 0, 0, 10, 1010) +
      suceso('V', dia, 10, 30, 0, 20, 1030) + suceso('V', dia, 10, 45, 0, 5, 1035) +
      suceso('V', dia, 11, 0, 1, 7, 500);
  escribe_archivo(en("qtrs.nvr"), almacen);
  // "period = dd/mm/yy hh:mm:00 - dd/mm/yy hh:mm:00" on that day.
  auto periodo = [&](int h1, int m1, int h2, int m2) {
    std::tm x{};
    ::localtime_r(&dia, &x);
    char b[96];
    std::snprintf(b, sizeof b,
                  "period = %02d/%02d/%02d %02d:%02d:00 - %02d/%02d/%02d %02d:%02d:00\n", x.tm_mday,
                  x.tm_mon + 1, x.tm_year % 100, h1, m1, x.tm_mday, x.tm_mon + 1, x.tm_year % 100,
                  h2, m2);
    return std::string(b);
  };
  configura(
      arranca_consola("record_layout = 2\n"
                      "tank 1 = product GASOIL cylinder 2000 6000 level 1234 sales 30\n"
                      "tank 2 = product SUPER cylinder 1800 5000 level 700 water 20\n"
                      "question = tank 1 form long\n" +
                      periodo(10, 15, 10, 50) + periodo(11, 30, 12, 0) + periodo(9, 0, 9, 30)),
      0);
  const auto inicio = std::chrono::steady_clock::now();
  const pid_t servicio = lanza(NIVARA_BIN, {}, carpeta, "salida");
  espera_texto(en("consola.out"), "#1 <- RW", 6000);
  const double segundos =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - inicio).count();
  const std::string salida = espera_texto(en("consola.out"), "#1 closed by the station", 4000);
  // Until the calibration table is asked for, the service is idle: ending
  // it now must write nothing.
  const std::string log = lee_archivo(en("Nivara.log")), diario = lee_archivo(en("Estado.txt"));
  const std::string stock = lee_archivo(en("stock.txt"));
  const int estado = detiene(servicio, SIGTERM);
  EXPECT_TRUE(WIFEXITED(estado) && WEXITSTATUS(estado) == 0) << estado;
  EXPECT_EQ(WEXITSTATUS(detiene(consola_pid, SIGTERM)), 0);
  EXPECT_EQ(lee_archivo(en("salida")), "Nivara QTR\n");
  EXPECT_EQ(lee_archivo(en("Nivara.log")), log);
  EXPECT_EQ(lee_archivo(en("Estado.txt")), diario);
  EXPECT_TRUE(std::filesystem::is_directory(en("tan")));
  char host[256] = {};
  ::gethostname(host, sizeof host - 1);
  EXPECT_NE(log.find(std::string("NIVARA: ") + host + "  IP "), std::string::npos);

  // The first inventory poll: 2 s after start-up, sent once the connection
  // is up, on its own connection, which the station closes after the reply.
  EXPECT_LT(segundos, 5.0);
  EXPECT_NE(salida.find("#1 <- RW 13 ok"), std::string::npos) << salida;
  EXPECT_LT(salida.find("#1 -> RW"), salida.find("#1 closed by the station"));
  EXPECT_EQ(salida.find("#2 <- RW"), std::string::npos);

  // The answer to the question, on the same connection: prefix, 'g', tank 0,
  // 0xFE, litres 5 (meters 1035 - 1030), 0, 0, codes 0, 4, 10, the sum
  // (0x253) high byte first.
  const std::string venta =
      "32 30 36 30 3a 30 3e 30 67 00 fe 40 a0 00 00 00 00 00 00 00 00 00 00 00 04 0a 02 53";
  EXPECT_NE(salida.find("#1 <- VENTA 28 ok  " + venta), std::string::npos) << salida;

  // Behind the store laid down, the start-up event and one snapshot per
  // tank; a report of both (its figures are checked in virtual time).
  EXPECT_EQ(lee_archivo(en("qtrs.nvr")).size(), almacen.size() + 3 * 21);
  EXPECT_NE(stock.find("Tanque,1\nFecha,"), std::string::npos) << stock;
  EXPECT_NE(stock.find("Producto,SUPER\nNivel, ,"), std::string::npos) << stock;
  EXPECT_NE(diario.find(" - Nuevo Stock.\r\n"), std::string::npos);

  // With the stop flag the service ends by itself after the summary.
  configura(1, 1);
  const int parada = espera_fin(lanza(NIVARA_BIN, {}, carpeta, "salida"));
  EXPECT_TRUE(WIFEXITED(parada) && WEXITSTATUS(parada) == 0) << parada;
  EXPECT_EQ(lee_archivo(en("salida")),
            "Nivara QTR\nnivara: EXIT: lc: StopNivara (see Estado.txt)\n");
  const std::string d = lee_archivo(en("Estado.txt"));
  EXPECT_EQ(d.substr(d.size() - 23), " EXIT: lc: StopNivara\r\n");
  EXPECT_EQ(eventos_log(lee_archivo(en("Nivara.log"))).back(), ev(MSJ_EXIT_LC_STOP));
}

// A sale as the forecourt simulator reports it, or as the store holds it.
struct Venta {
  int tanque;  // zero-based
  float litros;
};
void PrintTo(const Venta& v, std::ostream* o) { *o << "T" << v.tanque << " " << v.litros; }
bool operator==(const Venta& a, const Venta& b) {
  return a.tanque == b.tanque && std::fabs(a.litros - b.litros) < 0.005f;
}

// The simulator sells into a WOLF sales file on a Samba share. Three
// services poll it and read that file: one by its local path, one through
// the share, one through the share with a wrong password.
TEST_F(Servicio, EverySaleOfTheForecourtIsStoredOnceLocallyAndThroughTheShare) {
  ServidorSamba samba;
  ASSERT_TRUE(samba.arranca()) << samba.fallo();
  const unsigned puerto = puerto_libre();
  struct Estacion {
    const char* nombre;
    std::string ventas, clave;
    pid_t pid = 0;
  };
  Estacion estaciones[] = {{"local", samba.carpeta() + "/ventas.txt", ""},
                           {"recurso", samba.recurso() + "\\ventas.txt", samba.clave()},
                           {"clave_mala", samba.recurso() + "\\ventas.txt", "Surtidor-8"}};
  for (Estacion& e : estaciones) {
    std::filesystem::create_directory(en(e.nombre));
    configura(en(e.nombre), static_cast<int>(puerto), 0, e.ventas, "WOLF",
              e.clave.empty() ? "" : samba.usuario(), e.clave);
  }
  // Yesterday's sale in the file: the services take what comes after the
  // last stored sale, which is their start, in a file that reaches back
  // beyond it (a file holding only newer sales was begun afresh).
  const time_t ayer = ::time(nullptr) - 86400;
  std::tm dia{};
  ::localtime_r(&ayer, &dia);
  std::string error;
  ASSERT_TRUE(surtidor::agrega_venta(
      samba.carpeta() + "/ventas.txt", CONTROLADOR_WOLF,
      {.fecha = fecha_de(dia.tm_mday, dia.tm_mon + 1, dia.tm_year % 100, 12), .litros = 10},
      &error))
      << error;
  for (Estacion& e : estaciones) e.pid = lanza(NIVARA_BIN, {}, en(e.nombre), "salida");
  const auto inicio = std::chrono::steady_clock::now();
  // The forecourt's first sale comes a second or more after the services
  // started, so each of them must store every sale; it stops selling
  // before their first read of the file, 30 s after they started.
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  arranca_consola(
      "tank 1 = product GASOIL cylinder 2000 6000 level 1234 nozzles 1/1 2/1:2\n"
      "tank 2 = product SUPER cylinder 1800 5000 level 700 nozzles 3/2:-1\n"
      "controller = WOLF\nsales_file = " +
          samba.carpeta() +
          "/ventas.txt\n"
          "sales_per_hour = 3600\nsale_litres = 2 40\nreturns = 10\nseed = 7\n",
      puerto);
  std::this_thread::sleep_until(inicio + std::chrono::seconds(25));
  EXPECT_EQ(WEXITSTATUS(detiene(consola_pid, SIGTERM)), 0);
  std::vector<Venta> vendidas;
  std::istringstream salida(lee_archivo(en("consola.out")));
  for (std::string linea; std::getline(salida, linea);) {
    int surtidor, pico, tanque;
    float litros;
    const size_t i = linea.find(" sale pump ");
    if (i != std::string::npos &&
        std::sscanf(linea.c_str() + i, " sale pump %d nozzle %d tank %d litres %f", &surtidor,
                    &pico, &tanque, &litros) == 4) {
      vendidas.push_back({tanque - 1, litros});
    }
  }
  EXPECT_GT(vendidas.size(), 10u);
  EXPECT_TRUE(std::any_of(vendidas.begin(), vendidas.end(), [](auto& v) { return v.litros < 0; }));

  // The sales each service stored, and whether it logged the share error.
  auto guardadas = [&](const Estacion& e) {
    std::vector<Venta> v;
    const std::string almacen = lee_archivo(en(e.nombre) + "/qtrs.nvr");
    for (size_t i = 0; i + kLargoSuceso <= almacen.size(); i += kLargoSuceso) {
      const auto* s = reinterpret_cast<const uint8_t*>(almacen.data() + i);
      if (tipo_suceso(s) != SUCESO_VENTA) continue;
      v.push_back({tanque_suceso(s), lee_real_le(s + campo_suceso::kLitrosVenta)});
    }
    return v;
  };
  auto error_recurso = [&](const Estacion& e) {
    const std::vector<std::string> v = eventos_log(lee_archivo(en(e.nombre) + "/Nivara.log"));
    return std::any_of(v.begin(), v.end(), [](const std::string& x) {
      return x.starts_with("T:Error: lfv: WNetAddConnection2 failed ");
    });
  };
  for (Estacion& e : estaciones) {
    SCOPED_TRACE(e.nombre);
    const bool clave_mala = e.nombre == std::string("clave_mala");
    // The first read is due 30 s after the start; a sale stored twice would
    // be stored within the same read, and so within the short wait after.
    for (int ms = 0; ms < 10000; ms += 100) {
      if (clave_mala ? error_recurso(e) : guardadas(e).size() >= vendidas.size()) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_TRUE(WIFEXITED(detiene(e.pid, SIGTERM)));
    EXPECT_EQ(error_recurso(e), clave_mala);
    EXPECT_EQ(guardadas(e), clave_mala ? std::vector<Venta>{} : vendidas);
  }
}

}  // namespace
