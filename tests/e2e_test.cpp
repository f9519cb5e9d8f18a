// The real service started in a folder of its own, with a tnq.ini written by
// the admin tool.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <chrono>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "entorno.h"
#include "procesos.h"

namespace {

const char* kEstacion =
    "console_address = 127.0.0.1\n"
    "console_port = %d\n"
    "access_code = 31 32 33 34 35 36 37 38\n"
    "controller = PIRCAL\n"
    "sales_file = ventas.txt\n"
    "share_user = \n"
    "share_password = \n"
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

  void configura(int stop, int puerto = 10001) {
    char texto[1024];
    std::snprintf(texto, sizeof texto, kEstacion, puerto, stop);
    escribe_archivo(en("estacion.txt"), texto);
    std::string orden = std::string(NIVARA_ADMIN_BIN) + " config write " + en("estacion.txt") +
                        " " + en("tnq.ini");
    ASSERT_EQ(std::system(orden.c_str()), 0);
  }

  pid_t arranca() { return lanza(NIVARA_BIN, {}, carpeta, "salida"); }

  // Starts qtr10-sim on a free port with "consola.txt" (and `extra`
  // options), its output going to "consola.out", and configures the
  // station for that port.
  pid_t arranca_consola(std::vector<std::string> extra = {}) {
    std::vector<std::string> args = {"--config", "consola.txt", "--port", "0"};
    args.insert(args.end(), extra.begin(), extra.end());
    pid_t pid = lanza(QTR10_SIM_BIN, args, carpeta, "consola.out");
    std::string salida = espera_texto(en("consola.out"), "\n");
    size_t dos_puntos = salida.rfind(':');
    EXPECT_NE(dos_puntos, std::string::npos) << salida;
    if (dos_puntos != std::string::npos) configura(0, std::stoi(salida.substr(dos_puntos + 1)));
    return pid;
  }

  std::string carpeta;
};

// "dd/mm/yy  hh:mm:ss"
bool es_fecha_hora(const std::string& s) {
  const std::string forma = "99/99/99  99:99:99";
  if (s.size() != forma.size()) return false;
  for (size_t i = 0; i < s.size(); ++i) {
    if (forma[i] == '9' ? !std::isdigit(static_cast<unsigned char>(s[i])) : s[i] != forma[i]) return false;
  }
  return true;
}

std::vector<std::string> lineas(const std::string& s) {
  std::vector<std::string> l;
  size_t pos = 0;
  while (pos < s.size()) {
    size_t fin = s.find("\r\n", pos);
    EXPECT_NE(fin, std::string::npos) << "line without CR LF";
    if (fin == std::string::npos) break;
    l.push_back(s.substr(pos, fin - pos));
    pos = fin + 2;
  }
  return l;
}

TEST_F(Servicio, StartsRunsAndEndsQuietlyOnSigterm) {
  configura(0);
  pid_t pid = arranca();
  // Wait for the host line, the last thing start-up logs.
  espera_texto(en("Nivara.log"), "NIVARA: ");
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  std::string log_antes = lee_archivo(en("Nivara.log"));
  std::string diario_antes = lee_archivo(en("Estado.txt"));
  int estado = detiene(pid, SIGTERM);
  EXPECT_TRUE(WIFEXITED(estado));
  EXPECT_EQ(WEXITSTATUS(estado), 0);
  EXPECT_EQ(lee_archivo(en("salida")), "Nivara QTR\n");
  // Ending writes nothing.
  EXPECT_EQ(lee_archivo(en("Nivara.log")), log_antes);
  EXPECT_EQ(lee_archivo(en("Estado.txt")), diario_antes);
  EXPECT_TRUE(std::filesystem::is_directory(en("tan")));
  std::string sincro = lee_archivo(en("qtrs.nvr"));
  ASSERT_EQ(sincro.size(), 21u);
  EXPECT_EQ(sincro[0], 'A');

  std::vector<std::string> esperado = {
      "=*=*=*=*=*=*=*=*=*=*=*=*=*=*=*=*=*=", "", "Nivara v9.1", "TNQ.INI v14",
      "File Ventas: ventas.txt", "Usuario: ", "Password: ", "File Stocks: stock.txt",
      "Controlador: PIRCAL", "TRW: 60 Seg", "TRFV: 30 Seg", "QTR10: IP 127.0.0.1  Port 10001",
      "T1  S01  P1", "T1  S02  P1", "T2  S03  P2"};
  for (int t = 1; t <= 16; ++t) {
    char l[64];
    std::snprintf(l, sizeof l, "Genera %02d.tan = %d  ActuQTR %d", t, t == 1, t == 1);
    esperado.push_back(l);
  }
  esperado.insert(esperado.end(), {"", "", ""});
  std::vector<std::string> diario = lineas(diario_antes);
  ASSERT_EQ(diario.size(), esperado.size());
  EXPECT_TRUE(es_fecha_hora(diario[1])) << diario[1];
  diario[1] = "";
  EXPECT_EQ(diario, esperado);

  // The log: the stamp, code 13, the summary lines as texts, the host line,
  // then the missing event store made (94, the null call finding it empty:
  // 99, 110) and the start-up event put in (99, 110 again).
  std::vector<registro_log> r = registros_log(log_antes);
  ASSERT_EQ(r.size(), 2 + (esperado.size() - 2 - 3) + 1 + 5);
  std::vector<int> tras_host;
  for (size_t i = r.size() - 5; i < r.size(); ++i) tras_host.push_back(r[i].codigo);
  EXPECT_EQ(tras_host, (std::vector<int>{94, 99, 110, 99, 110}));
  r.resize(r.size() - 5);
  EXPECT_EQ(r[0].codigo, 0xFF);
  EXPECT_EQ(r[0].texto.substr(0, 8), diario_antes.substr(37, 8));  // same date as the journal
  int hora = std::stoi(r[0].texto.substr(10, 2));
  int minuto = std::stoi(r[0].texto.substr(13, 2));
  EXPECT_EQ(r[0].minuto, hora * 60 + minuto);
  EXPECT_EQ(r[1].codigo, 13);
  for (size_t i = 2; i + 1 < r.size(); ++i) {
    EXPECT_EQ(r[i].codigo, 0xFF);
    EXPECT_EQ(r[i].texto, esperado[i]);
    EXPECT_LE(r[i].minuto - r[0].minuto, 1);
  }
  char host[256] = {};
  ::gethostname(host, sizeof host - 1);
  EXPECT_EQ(r.back().texto.rfind(std::string("NIVARA: ") + host + "  IP ", 0), 0u) << r.back().texto;
}

TEST_F(Servicio, StopFlagEndsTheServiceWithItsJournalLine) {
  configura(1);
  int estado = espera_fin(arranca());
  EXPECT_TRUE(WIFEXITED(estado));
  EXPECT_EQ(WEXITSTATUS(estado), 0);
  std::vector<std::string> diario = lineas(lee_archivo(en("Estado.txt")));
  ASSERT_FALSE(diario.empty());
  EXPECT_EQ(diario.back().substr(18), " EXIT: lc: StopNivara");
  std::vector<std::string> e = eventos_log(lee_archivo(en("Nivara.log")));
  EXPECT_EQ(e.back(), "43");
}

TEST_F(Servicio, PollsTheConsoleSimulatorOneConnectionPerCommand) {
  escribe_archivo(en("consola.txt"),
                  "access_code = 31 32 33 34 35 36 37 38\n"
                  "tank 1 = product GASOIL cylinder 2000 6000 level 1200\n");
  pid_t consola = arranca_consola();

  auto inicio = std::chrono::steady_clock::now();
  pid_t servicio = arranca();
  std::string salida = espera_texto(en("consola.out"), "#1 <- RW", 6000);
  double segundos = std::chrono::duration<double>(std::chrono::steady_clock::now() - inicio).count();
  salida = espera_texto(en("consola.out"), "#1 closed by the station", 2000);
  EXPECT_EQ(WEXITSTATUS(detiene(servicio, SIGTERM)), 0);
  EXPECT_EQ(WEXITSTATUS(detiene(consola, SIGTERM)), 0);

  // The first inventory poll: 2 s after start-up, sent once the connection
  // is up, on its own connection, which the station closes after the reply.
  EXPECT_LT(segundos, 5.0);
  EXPECT_NE(salida.find("#1 <- RW 13 ok"), std::string::npos) << salida;
  EXPECT_LT(salida.find("#1 -> RW"), salida.find("#1 closed by the station"));
  EXPECT_EQ(salida.find("#2 <- RW"), std::string::npos);
  std::vector<std::string> e = eventos_log(lee_archivo(en("Nivara.log")));
  EXPECT_NE(std::find(e.begin(), e.end(), "12"), e.end());  // the reply was taken
}

// The bytes of the first "-> RW" reply line that qtr10-sim --full printed.
std::vector<uint8_t> respuesta_rw(const std::string& salida) {
  size_t p = salida.find("#1 -> RW ");
  if (p == std::string::npos) return {};
  p = salida.find("  ", p) + 2;
  std::vector<uint8_t> b;
  std::istringstream hex(salida.substr(p, salida.find('\n', p) - p));
  unsigned x;
  while (hex >> std::hex >> x) b.push_back(static_cast<uint8_t>(x));
  return b;
}

std::string invertido(const uint8_t* p) { return {static_cast<char>(p[3]), static_cast<char>(p[2]),
                                                  static_cast<char>(p[1]), static_cast<char>(p[0])}; }

float real_be(const uint8_t* p) {
  uint32_t v = (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
  float f;
  std::memcpy(&f, &v, sizeof f);
  return f;
}

TEST_F(Servicio, StoresAndReportsWhatTheConsoleSimulatorSent) {
  escribe_archivo(en("consola.txt"),
                  "access_code = 31 32 33 34 35 36 37 38\n"
                  "record_layout = 2\n"
                  "tank 1 = product GASOIL cylinder 2000 6000 level 1234 sales 30\n"
                  "tank 2 = product SUPER cylinder 1800 5000 level 700 water 20\n");
  pid_t consola = arranca_consola({"--full"});
  pid_t servicio = arranca();
  std::string stock = espera_texto(en("stock.txt"), "Tanque,2\n", 8000);
  EXPECT_EQ(WEXITSTATUS(detiene(servicio, SIGTERM)), 0);
  EXPECT_EQ(WEXITSTATUS(detiene(consola, SIGTERM)), 0);

  std::vector<uint8_t> r = respuesta_rw(lee_archivo(en("consola.out")));
  ASSERT_EQ(r.size(), 18u + 2 * 57);
  ASSERT_EQ(r[13], 2);
  std::string sincro = lee_archivo(en("qtrs.nvr"));
  ASSERT_EQ(sincro.size(), 3u * 21);  // the start-up event and one snapshot per tank
  for (int t = 0; t < 2; ++t) {
    const uint8_t* tanque = r.data() + 15 + 57 * t;
    const std::string s = sincro.substr(21 * (t + 1), 21);
    std::string fecha(reinterpret_cast<const char*>(tanque + 1), 7);
    fecha[5] = 0;  // the weekday byte is not kept
    EXPECT_EQ(s.substr(0, 2), "S\x05");
    EXPECT_EQ(s.substr(2, 7), fecha);
    EXPECT_EQ(s[9], t);
    EXPECT_EQ(s.substr(10, 4), invertido(tanque + 27)) << "nivel";
    EXPECT_EQ(s.substr(15, 4), invertido(tanque + 32)) << "litros";

    char lineas[256];
    std::snprintf(lineas, sizeof lineas, "Tanque,%d\nFecha,%c%c/%c%c/%c%c %c%c:%c%c:%c%c\nProducto,%s\nNivel, ,%.2f,mm\nLitros, ,%.1f,litros\n",
                  t + 1, '0' + (tanque[4] >> 4), '0' + (tanque[4] & 15), '0' + (tanque[5] >> 4),
                  '0' + (tanque[5] & 15), '0' + (tanque[7] >> 4), '0' + (tanque[7] & 15),
                  '0' + (tanque[3] >> 4), '0' + (tanque[3] & 15), '0' + (tanque[2] >> 4),
                  '0' + (tanque[2] & 15), '0' + (tanque[1] >> 4), '0' + (tanque[1] & 15),
                  t == 0 ? "GASOIL" : "SUPER", static_cast<double>(real_be(tanque + 27)),
                  static_cast<double>(real_be(tanque + 32)));
    EXPECT_NE(stock.find(lineas), std::string::npos) << lineas << "\n---\n" << stock;
  }
  EXPECT_NE(lee_archivo(en("Estado.txt")).find(" - Nuevo Stock.\r\n"), std::string::npos);
}

// "dd/mm/yy hh:mm:ss" of local time `t` moved to `hora`:`minuto`.
std::string texto_hora(time_t t, int hora, int minuto) {
  std::tm x{};
  ::localtime_r(&t, &x);
  char b[32];
  std::snprintf(b, sizeof b, "%02d/%02d/%02d %02d:%02d:00", x.tm_mday, x.tm_mon + 1, x.tm_year % 100,
                hora, minuto);
  return b;
}

// A 21-byte record of the event store, dated `hora`:`minuto` of day `t`.
std::string suceso(char tipo, time_t t, int hora, int minuto, uint8_t tanque, float litros = 0,
                   float contador = 0) {
  std::tm x{};
  ::localtime_r(&t, &x);
  auto bcd = [](int v) { return static_cast<char>((v / 10) << 4 | (v % 10)); };
  std::string r(21, '\0');
  r[0] = tipo;
  r[1] = 5;
  r[3] = bcd(minuto);
  r[4] = bcd(hora);
  r[5] = bcd(x.tm_mday);
  r[6] = bcd(x.tm_mon + 1);
  r[8] = bcd(x.tm_year % 100);
  r[9] = static_cast<char>(tanque);
  std::memcpy(r.data() + 10, &litros, 4);
  std::memcpy(r.data() + 14, &contador, 4);
  return r;
}

TEST_F(Servicio, AnswersTheConsoleSimulatorsSaleQuestion) {
  // A store of two days ago: sales of tank 1 at 10:00, 10:30 and 10:45 with
  // meter totals, one of tank 2 at 11:00.
  const time_t dia = ::time(nullptr) - 2 * 86400;
  escribe_archivo(en("qtrs.nvr"), suceso('A', dia - 86400, 8, 0, 0) + suceso('V', dia, 10, 0, 0, 10, 1010) +
                                      suceso('V', dia, 10, 30, 0, 20, 1030) +
                                      suceso('V', dia, 10, 45, 0, 5, 1035) + suceso('V', dia, 11, 0, 1, 7, 500));
  escribe_archivo(en("consola.txt"), "access_code = 31 32 33 34 35 36 37 38\n"
                                     "tank 1 = product GASOIL cylinder 2000 6000 level 1200\n"
                                     "question = tank 1 form long\n"
                                     "period = " + texto_hora(dia, 10, 15) + " - " + texto_hora(dia, 10, 50) + "\n"
                                     "period = " + texto_hora(dia, 11, 30) + " - " + texto_hora(dia, 12, 0) + "\n"
                                     "period = " + texto_hora(dia, 9, 0) + " - " + texto_hora(dia, 9, 30) + "\n");
  pid_t consola = arranca_consola({"--full"});
  pid_t servicio = arranca();
  std::string salida = espera_texto(en("consola.out"), "sale answer", 8000);
  EXPECT_EQ(WEXITSTATUS(detiene(servicio, SIGTERM)), 0);
  EXPECT_EQ(WEXITSTATUS(detiene(consola, SIGTERM)), 0);

  // Prefix, 'g', tank 0, 0xFE, litres 5 (meters 1035 - 1030), 0, 0, codes
  // 0, 4, 10, the sum high byte first.
  std::vector<uint8_t> esperado = {0x32, 0x30, 0x36, 0x30, 0x3A, 0x30, 0x3E, 0x30, 'g', 0x00, 0xFE,
                                   0x40, 0xA0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4, 10};
  uint32_t suma = 0;
  for (size_t i = 8; i < esperado.size(); ++i) suma += esperado[i];
  esperado.push_back(static_cast<uint8_t>(suma >> 8));
  esperado.push_back(static_cast<uint8_t>(suma));
  std::string hex;
  for (uint8_t b : esperado) {
    char x[4];
    std::snprintf(x, sizeof x, hex.empty() ? "%02x" : " %02x", b);
    hex += x;
  }
  EXPECT_NE(salida.find("#1 <- VENTA 28 ok  " + hex), std::string::npos) << hex << "\n" << salida;
}

}  // namespace
