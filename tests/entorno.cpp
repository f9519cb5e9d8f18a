#include "entorno.h"

#include <malloc.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "foundation/bytes.h"
#include "foundation/gl.h"

#if defined(__SANITIZE_ADDRESS__)
#define NIVARA_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define NIVARA_ASAN 1
#endif
#endif
#ifdef NIVARA_ASAN
// From the sanitizer's runtime; its header does not come with every compiler.
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif

size_t memoria_en_uso() {
#ifdef NIVARA_ASAN
  return __sanitizer_get_current_allocated_bytes();
#else
  const struct mallinfo2 m = ::mallinfo2();
  return m.uordblks + m.hblkhd;  // small blocks and those mapped on their own
#endif
}

int64_t segundos(int anio, int mes, int dia, int hora, int minuto, int segundo) {
  std::tm t{segundo, minuto, hora, dia, mes - 1, anio - 1900};
  return static_cast<int64_t>(::timegm(&t));
}

std::string lee_archivo(const std::string& ruta) {
  std::ifstream f(ruta, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

void escribe_archivo(const std::string& ruta, const std::string& datos) {
  std::ofstream(ruta, std::ios::binary | std::ios::trunc) << datos;
}

bool existe(const std::string& ruta) {
  std::error_code e;
  return std::filesystem::exists(ruta, e);
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
  std::memcpy(c.bytes + tnq::kIp, "\x0a\x00\x00\x07", 4);
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
  suceso_foto({f, tanque, 900.0f, 1, 0x30, litros, 7}, r);  // level, status, measurable
  return agrega(r);
}

std::string almacen_de(const std::vector<paso_tramo>& pasos) {
  Almacen a;
  for (const paso_tramo& p : pasos) {
    if (p.tipo == 'V') {
      a.venta(p.f, 0, p.valor);
    } else if (p.tipo == 'S') {
      uint8_t r[kLargoSuceso];
      suceso_foto({p.f, 0, p.valor, p.status, 0, p.litros, p.merma}, r);
      a.agrega(r);
    } else {
      a.arranque(p.f);
    }
  }
  return a.datos;
}

std::vector<paso_tramo> tramo_captura() {
  auto a_las = [](unsigned h, unsigned mi, unsigned s = 0) {
    return fecha_de(15, 3, 23, h, mi, s);
  };
  return {{'V', a_las(10, 0), 20},  {'S', a_las(10, 1), 1000, 50000},
          {'V', a_las(10, 3), 50},  {'S', a_las(10, 3, 30), 990},
          {'V', a_las(10, 5), 50},  {'S', a_las(10, 5, 40), 980.2f, 49901},
          {'S', a_las(10, 8), 980}, {'V', a_las(10, 10), 20}};
}

tabla_calib tabla_de_pasos() {
  tabla_calib t{};
  for (int i = 0; i < kPuntosTabla; ++i) {
    t.puntos[i] = {100.0f * static_cast<float>(i), 20.0f * static_cast<float>(i), 0};
  }
  t.diametro_tank = 1980;
  t.capacidad = t.puntos[kPuntosTabla - 1].litros;
  return t;
}

void Estacion::SetUp() {
  std::string plantilla = raiz + "/nivara-test-XXXXXX";
  carpeta = ::mkdtemp(plantilla.data());
  sim = std::make_unique<plat::SimPlatform>(carpeta, segundos(2026, 3, 5, 9, 7, 3));
  plat::install(sim.get());
  gl_reinicia();
}

void Estacion::en_memoria() {
  if (std::filesystem::is_directory("/dev/shm")) raiz = "/dev/shm";
}

void Estacion::TearDown() {
  plat::install(nullptr);
  sim.reset();
  std::filesystem::remove_all(carpeta);
}

void EstacionConAlmacen::olvida_log() {
  std::filesystem::remove(ruta("Nivara.log"));
  std::filesystem::remove(ruta("Estado.txt"));
  gl_reinicia();
}

// Read here byte by byte, not through the log's own record walk.
std::vector<std::string> registros_log(const std::string& datos) {
  std::vector<std::string> r;
  for (size_t pos = 0; pos < datos.size();) {
    EXPECT_LE(pos + 3, datos.size()) << "damaged log at " << pos;
    if (pos + 3 > datos.size()) break;
    const auto* p = reinterpret_cast<const uint8_t*>(datos.data() + pos);
    std::string reg = std::to_string(lee_u16_le(p));
    if (p[2] != 0xFF) {
      r.push_back(reg + ":" + std::to_string(p[2]));
      pos += 3;
      continue;
    }
    const size_t fin = datos.find('\0', pos + 3);
    EXPECT_NE(fin, std::string::npos) << "text without its end at " << pos;
    if (fin == std::string::npos) break;
    r.push_back(reg + " " + datos.substr(pos + 3, fin - pos - 3));
    pos = fin + 1;
  }
  return r;
}

std::vector<std::string> eventos_log(const std::string& datos) {
  std::vector<std::string> e;
  for (const std::string& r : registros_log(datos)) {
    const size_t corte = r.find_first_of(": ");
    const std::string resto = r.substr(corte + 1);
    const bool sello = resto.size() == 18 && resto[2] == '/' && resto[5] == '/' &&
                       resto[8] == ' ' && resto[9] == ' ' && resto[12] == ':' && resto[15] == ':';
    if (r[corte] == ':') {
      e.push_back(resto);
    } else if (!sello) {
      e.push_back("T:" + resto);
    }
  }
  return e;
}
