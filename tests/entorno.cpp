#include "entorno.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "foundation/bytes.h"
#include "foundation/gl.h"

int64_t segundos(int anio, int mes, int dia, int hora, int minuto, int segundo) {
  std::tm t{};
  t.tm_year = anio - 1900;
  t.tm_mon = mes - 1;
  t.tm_mday = dia;
  t.tm_hour = hora;
  t.tm_min = minuto;
  t.tm_sec = segundo;
  return static_cast<int64_t>(::timegm(&t));
}

std::string lee_archivo(const std::string& ruta) {
  std::ifstream f(ruta, std::ios::binary);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

void escribe_archivo(const std::string& ruta, const std::string& datos) {
  std::ofstream f(ruta, std::ios::binary | std::ios::trunc);
  f.write(datos.data(), static_cast<std::streamsize>(datos.size()));
}

bool existe(const std::string& ruta) {
  struct stat st {};
  return ::stat(ruta.c_str(), &st) == 0;
}

std::string archivo_tnq(const configuracion_tnq& c, uint32_t version, int registros) {
  std::string s(kTnqCabecera, '\0');
  escribe_u32_le(reinterpret_cast<uint8_t*>(s.data()), version);
  for (int i = 0; i < registros; ++i)
    s.append(reinterpret_cast<const char*>(c.bytes), kTnqRegistro);
  return s;
}

configuracion_tnq configuracion_ejemplo() {
  configuracion_tnq c{};
  const uint8_t ip[4] = {10, 0, 0, 7};
  std::memcpy(c.bytes + tnq::kIp, ip, 4);
  c.pon_puerto(10001);
  std::memcpy(c.bytes + tnq::kCodigoAcceso, "12345678", 8);
  c.pon_controlador(0);
  c.pon_texto(tnq::kFileVentas, tnq::kLargoFileVentas, "\\\\server\\ventas.txt");
  c.pon_texto(tnq::kUsuario, tnq::kLargoUsuario, "nivara");
  c.pon_texto(tnq::kPassword, tnq::kLargoPassword, "clave");
  c.pon_texto(tnq::kFileStock, tnq::kLargoFileStock, "stock.txt");
  return c;
}

fecha_bcd fecha_de(unsigned d, unsigned m, unsigned a, unsigned h, unsigned mi, unsigned s) {
  return {bin_a_bcd(s), bin_a_bcd(mi), bin_a_bcd(h), bin_a_bcd(d), bin_a_bcd(m), 0, bin_a_bcd(a)};
}

Almacen& Almacen::agrega(const uint8_t r[kLargoSuceso]) {
  datos.append(reinterpret_cast<const char*>(r), kLargoSuceso);
  return *this;
}

Almacen& Almacen::otro(uint8_t tipo, const fecha_bcd& f, uint8_t byte9) {
  uint8_t r[kLargoSuceso] = {tipo, kVersionSuceso};
  std::memcpy(r + campo_suceso::kFecha, &f, sizeof f);
  r[campo_suceso::kTanque] = byte9;
  return agrega(r);
}

Almacen& Almacen::venta(const fecha_bcd& f, uint8_t tanque, float litros, float contador) {
  uint8_t r[kLargoSuceso];
  suceso_venta({f, tanque, litros, contador}, r);
  return agrega(r);
}

Almacen& Almacen::foto(const fecha_bcd& f, uint8_t tanque, float litros) {
  uint8_t r[kLargoSuceso];
  suceso_foto({.fecha = f,
               .tanque = tanque,
               .nivel = 900.0f,
               .status_calibs = 1,
               .liq_agua_medible = 0x30,
               .litros = litros,
               .merma_mes = 7},
              r);
  return agrega(r);
}

void Estacion::SetUp() {
  char plantilla[] = "/tmp/nivara-test-XXXXXX";
  carpeta = ::mkdtemp(plantilla);
  sim = std::make_unique<plat::SimPlatform>(carpeta, segundos(2026, 3, 5, 9, 7, 3));
  plat::install(sim.get());
  gl_reinicia();
}

void Estacion::TearDown() {
  plat::install(nullptr);
  sim.reset();
  std::filesystem::remove_all(carpeta);
}

void EstacionConAlmacen::olvida_log() {
  std::remove(ruta("Nivara.log").c_str());
  std::remove(ruta("Estado.txt").c_str());
  gl_reinicia();
}

std::vector<registro_log> registros_log(const std::string& datos) {
  std::vector<registro_log> r;
  const auto* p = reinterpret_cast<const uint8_t*>(datos.data());
  size_t pos = 0;
  while (pos < datos.size()) {
    size_t n = largo_registro(p + pos, datos.size() - pos);
    EXPECT_GE(n, 3u) << "damaged log at " << pos;
    if (n < 3) break;
    registro_log reg{lee_u16_le(p + pos), p[pos + 2], ""};
    if (reg.codigo == 0xFF) {
      EXPECT_EQ(p[pos + n - 1], 0) << "text without its end at " << pos;
      reg.texto.assign(datos, pos + 3, n - 4);
    }
    r.push_back(reg);
    pos += n;
  }
  return r;
}

namespace {
bool es_sello(const std::string& t) {
  return t.size() == 18 && t[2] == '/' && t[5] == '/' && t[8] == ' ' && t[9] == ' ' &&
         t[12] == ':' && t[15] == ':';
}
}  // namespace

std::vector<std::string> eventos_log(const std::string& datos) {
  std::vector<std::string> e;
  for (const registro_log& r : registros_log(datos)) {
    if (r.codigo != 0xFF) {
      e.push_back(std::to_string(r.codigo));
    } else if (!es_sello(r.texto)) {
      e.push_back("T:" + r.texto);
    }
  }
  return e;
}
