// The console simulator on the simulated network, its configuration file
// and the qtr10-sim tool on a real port.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <string>

#include "entorno.h"
#include "procesos.h"
#include "qtr10/config.h"
#include "qtr10/consola_sim.h"

namespace {

using Bytes = std::vector<uint8_t>;

const Bytes kRW = {0x32, 0x30, 0x36, 0x30, 0x3A, 0x30, 0x3E, 0x30, 0x19, 0x04, 0x33, 0x09, 0x01};

// The station's end of a simulated connection.
struct Estacion : plat::SocketEvents {
  void socket_connected(int e) override { conexion = e; }
  void socket_readable(int) override {
    uint8_t b[4096];
    int error = 0;
    int n = socket->receive(b, sizeof b, &error);
    if (n > 0) recibido.insert(recibido.end(), b, b + n);
  }
  void socket_closed(int) override { cerrado = true; }

  std::unique_ptr<plat::SocketBackend> socket;
  int conexion = -1;
  bool cerrado = false;
  Bytes recibido;
};

qtr10::ConfigConsola config_dos_tanques() {
  qtr10::ConfigConsola c;
  c.codigo_acceso = {0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0x38};
  qtr10::ConfigTanque t;
  t.ventas_lpm = 6;
  c.tanques = {t, t};
  return c;
}

TEST(Qtr10Sim, AnswersOnTheSimulatedNetworkInVirtualTime) {
  plat::SimPlatform sim("/tmp", segundos(2025, 6, 10, 12, 0, 0));
  qtr10::ConsolaSim consola(sim, config_dos_tanques());
  sim.listen("10.0.0.7", 10001, &consola);
  consola.fallos().trozos = 2;
  consola.fallos().pausa_trozos_ms = 1000;

  Estacion e;
  e.socket = sim.new_socket(&e);
  ASSERT_EQ(e.socket->connect("10.0.0.7", 10001), 0);
  sim.run_for(100);
  ASSERT_EQ(e.conexion, 0);
  int error = 0;
  ASSERT_EQ(e.socket->send(kRW.data(), static_cast<int>(kRW.size()), &error), 13);
  sim.run_for(500);
  EXPECT_EQ(e.recibido.size(), 66u);  // the first half only
  sim.run_for(1000);
  ASSERT_EQ(e.recibido.size(), 132u);
  EXPECT_EQ(e.recibido[3], 0x12);  // the virtual clock's hour
  ASSERT_EQ(consola.recibidas().size(), 1u);
  EXPECT_EQ(consola.recibidas()[0].ms, sim.now_ms() - 1500 + sim.latency_ms());
  e.socket->close();

  // A litre a minute... six here, over an hour of virtual time.
  double antes = consola.tanque(0).litros_reales();
  sim.run_for(3600 * 1000);
  EXPECT_NEAR(consola.tanque(0).litros_reales(), antes - 6 * 60, 1e-6);

  consola.fallos().rechaza = true;
  Estacion otra;
  otra.socket = sim.new_socket(&otra);
  otra.socket->connect("10.0.0.7", 10001);
  sim.run_for(100);
  EXPECT_EQ(otra.conexion, ECONNREFUSED);
  EXPECT_EQ(consola.conexiones(), 1);
  EXPECT_EQ(consola.conexiones_rechazadas(), 1);
}

TEST(Qtr10Sim, ClosingEarlyLeavesTheStationWithoutReply) {
  plat::SimPlatform sim("/tmp", segundos(2025, 6, 10, 12, 0, 0));
  qtr10::ConsolaSim consola(sim, config_dos_tanques());
  sim.listen("10.0.0.7", 10001, &consola);
  consola.fallos().cierre_antes = true;
  Estacion e;
  e.socket = sim.new_socket(&e);
  e.socket->connect("10.0.0.7", 10001);
  sim.run_for(100);
  int error = 0;
  e.socket->send(kRW.data(), static_cast<int>(kRW.size()), &error);
  sim.run_for(100);
  EXPECT_TRUE(e.cerrado);
  EXPECT_TRUE(e.recibido.empty());
}

std::string demo() {
  std::string aqui = __FILE__;
  return aqui.substr(0, aqui.rfind('/')) + "/../demo/consola.txt";
}

TEST(Qtr10Config, DemoFileReads) {
  qtr10::ConfigConsola c;
  ASSERT_EQ(qtr10::lee_archivo_config(c, demo()), "");
  EXPECT_EQ(c.puerto, 10001u);
  EXPECT_EQ(c.codigo_acceso, (qtr10::Codigo{0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0x38}));
  ASSERT_EQ(c.tanques.size(), 4u);
  EXPECT_EQ(c.tanques[1].producto, "GASOIL");
  EXPECT_GT(c.tanques[0].ventas_lpm, 0);
  ASSERT_EQ(c.descargas.size(), 1u);
  EXPECT_EQ(c.descargas[0].tanque, 1);
  EXPECT_FALSE(c.pregunta.has_value());
  EXPECT_FALSE(c.fallos.silencio || c.fallos.sumas_malas || c.fallos.cierre_antes || c.fallos.rechaza);
}

TEST(Qtr10Config, KeysAndTheirFaults) {
  qtr10::ConfigConsola c;
  ASSERT_EQ(qtr10::lee_config(c,
                              "tank 1 = product X table 0/0 1000/5000 level 400 table_scale 0.98  # a comment\n"
                              "question = tank 1 form long\n"
                              "period = 09/06/25 00:00:00 - 10/06/25 00:00:00\n"
                              "fault_split = 4 250\n"
                              "fault_error_ack = 0x81\n"
                              "fault_commands = PCW PCT\n"),
            "");
  EXPECT_DOUBLE_EQ(c.tanques[0].curva.litros(500), 2500);
  ASSERT_TRUE(c.pregunta.has_value());
  EXPECT_TRUE(c.pregunta->larga);
  ASSERT_EQ(c.pregunta->periodos.size(), 1u);
  EXPECT_EQ(c.pregunta->periodos[0].fin.dia, 0x10);
  EXPECT_EQ(c.pregunta->periodos[0].fin.dia_semana, 3);  // a Tuesday
  EXPECT_EQ(c.fallos.trozos, 4);
  EXPECT_EQ(c.fallos.pausa_trozos_ms, 250);
  EXPECT_EQ(c.fallos.acuse_error, 0x81);
  EXPECT_EQ(c.fallos.comandos, qtr10::bit(qtr10::Clase::kPCW) | qtr10::bit(qtr10::Clase::kPCT));

  auto falla = [](const char* texto) {
    qtr10::ConfigConsola x;
    return qtr10::lee_config(x, texto);
  };
  EXPECT_EQ(falla("port = 1\nbogus = 2\n"), "line 2: unknown key \"bogus\"");
  EXPECT_NE(falla("tank 1 = level 100\ntank 3 = level 100\n").find("without gaps"), std::string::npos);
  EXPECT_NE(falla("tank 1 = cylinder 1000 2000 level 1200\n"), "");
  EXPECT_NE(falla("tank 1 = table 0/0 10/5 20/5\n"), "");
  EXPECT_NE(falla("tank 1 = level 10\ndelivery 2 = litres 100\n"), "");
  EXPECT_NE(falla("access_code = 31 32 33\n"), "");
  EXPECT_NE(falla("period = 32/06/25 00:00:00 - 10/06/25 00:00:00\n"), "");
}

TEST(Qtr10Herramienta, AnswersOnATcpPortAndStopsCleanly) {
  if (::access(QTR10_SIM_BIN, X_OK) != 0) GTEST_SKIP() << "qtr10-sim not built";
  char plantilla[] = "/tmp/qtr10-tcp-XXXXXX";
  std::string carpeta = ::mkdtemp(plantilla);
  const std::string salida = carpeta + "/salida";
  pid_t pid = lanza(QTR10_SIM_BIN, {"--config", demo(), "--port", "0"}, carpeta, "salida");
  ASSERT_GT(pid, 0);
  std::string primera = espera_texto(salida, "\n");
  size_t dos_puntos = primera.rfind(':');
  ASSERT_NE(dos_puntos, std::string::npos) << primera;
  int puerto = std::stoi(primera.substr(dos_puntos + 1));

  int s = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<uint16_t>(puerto));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
  ASSERT_EQ(::send(s, kRW.data(), kRW.size(), 0), 13);
  Bytes r;
  uint8_t b[512];
  ssize_t n;
  while (r.size() < 18 + 57 * 4 && (n = ::recv(s, b, sizeof b, 0)) > 0) r.insert(r.end(), b, b + n);
  ::close(s);
  ASSERT_EQ(r.size(), 18u + 57 * 4);
  EXPECT_EQ(r[14], 4);

  std::string vista = espera_texto(salida, "<- RW 13 ok");
  EXPECT_NE(vista.find("<- RW 13 ok"), std::string::npos) << vista;

  int estado = detiene(pid, SIGTERM);
  std::filesystem::remove_all(carpeta);
  EXPECT_TRUE(WIFEXITED(estado));
  EXPECT_EQ(WEXITSTATUS(estado), 0);
}

}  // namespace
