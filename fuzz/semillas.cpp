// Writes the fuzz targets' seeds into fuzz/corpus/<target>/: valid inputs
// made by the programs' own writers (the console simulator's replies, the
// forecourt's sales files, the station's store records, tables and log,
// the admin tool's station text), a few with one thing wrong.
//   fuzz_semillas <corpus folder> <demo folder>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "admin/estacion.h"
#include "banco.h"
#include "calibration/tabla_calib.h"
#include "console/tramas.h"
#include "eventstore/apartado.h"
#include "eventstore/suceso.h"
#include "foundation/gl.h"
#include "lector.h"
#include "qtr10/respuestas.h"
#include "sales/controladores.h"
#include "surtidor/surtidor.h"

namespace {

using bytes = std::vector<uint8_t>;
namespace fs = std::filesystem;

fs::path corpus;

void semilla(const std::string& objetivo, const std::string& nombre, const bytes& datos) {
  fs::create_directories(corpus / objetivo);
  std::ofstream(corpus / objetivo / nombre, std::ios::binary)
      .write(reinterpret_cast<const char*>(datos.data()),
             static_cast<std::streamsize>(datos.size()));
}
bytes de_texto(const std::string& s) { return bytes(s.begin(), s.end()); }
bytes lee(const fs::path& ruta) {
  std::ifstream f(ruta, std::ios::binary);
  std::ostringstream s;
  s << f.rdbuf();
  return de_texto(s.str());
}
bytes operator+(bytes a, const bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

fecha_bcd fecha(unsigned d, unsigned h, unsigned mi = 0, unsigned s = 0) {
  return {bin_a_bcd(s), bin_a_bcd(mi), bin_a_bcd(h), bin_a_bcd(d), 0x03, 0, 0x26};
}

qtr10::PreguntaVenta pregunta(bool larga) {
  return {.tanque = 0,
          .larga = larga,
          .periodos = {{fecha(4, 0), fecha(5, 0)}, {fecha(5, 0), fecha(5, 9)}}};
}

// The replies, each behind the target's two bytes: what is awaited (and
// the tank) and the size of the pieces.
void respuestas() {
  qtr10::ValoresTanque tanque;
  tanque.fecha = fecha(5, 9, 7);
  tanque.nivel = 900;
  tanque.litros = 12000;
  const std::vector<qtr10::ValoresTanque> dos = {tanque, tanque};
  const qtr10::PreguntaVenta larga = pregunta(true), corta = pregunta(false);
  const fecha_bcd reloj = fecha(5, 9, 7, 3);
  struct caso {
    const char* nombre;
    uint8_t espera, trozos;
    bytes r;
  };
  qtr10::Descarga descarga;
  descarga.inicio = fecha(5, 7);
  descarga.fin = fecha(5, 8);
  descarga.litros_final = 5000;
  const qtr10::TablaConsola tabla =
      qtr10::tabla_de_curva(qtr10::Curva::cilindro(2000, 8000), 1.0, "SUPER", reloj);
  const caso casos[] = {
      {"inventario", 0, 0, qtr10::respuesta_inventario(0, reloj, 2, dos, nullptr, false)},
      {"inventario_reloj", 0x80, 0,
       qtr10::respuesta_inventario(0, fecha(5, 8), 2, dos, nullptr, false)},
      {"inventario_layout1", 0, 7, qtr10::respuesta_inventario(0, reloj, 1, dos, nullptr, false)},
      {"inventario_layout4", 0, 0, qtr10::respuesta_inventario(0, reloj, 4, dos, nullptr, false)},
      {"inventario_pregunta_larga", 0, 0,
       qtr10::respuesta_inventario('g', reloj, 2, dos, &larga, false)},
      {"inventario_pregunta_corta", 0, 1,
       qtr10::respuesta_inventario(0, reloj, 3, dos, &corta, false)},
      {"inventario_sumas_malas", 0, 0,
       qtr10::respuesta_inventario('g', reloj, 2, dos, &larga, true)},
      {"descargas", 1, 0, qtr10::respuesta_descargas(2, 2, {descarga}, false)},
      {"descargas_trozos", 1, 5, qtr10::respuesta_descargas(1, 3, {descarga}, false)},
      {"reloj", 2, 0, qtr10::acuse(ACK_OK)},
      {"reloj_error", 2, 1, qtr10::acuse(0x81)},
      {"tabla", 3 | 2 << 3, 0, qtr10::respuesta_tabla(tabla, false)},
      {"tabla_suma_mala", 3, 100, qtr10::respuesta_tabla(tabla, true)},
      {"programacion", 4 | 1 << 3, 0, qtr10::acuse(ACK_OK)},
      {"programacion_error", 4, 0, qtr10::acuse(0x82)},
      {"turno", 5, 0, qtr10::acuse(ACK_OK)},
  };
  for (const caso& c : casos) semilla("respuestas", c.nombre, bytes{c.espera, c.trozos} + c.r);
}

bytes venta(const fecha_bcd& f, uint8_t tanque, float litros) {
  bytes r(kLargoSuceso);
  suceso_venta({f, tanque, litros, -1.0f}, r.data());
  return r;
}
bytes foto(const fecha_bcd& f, uint8_t tanque, float litros) {
  bytes r(kLargoSuceso);
  suceso_foto({f, tanque, 900.0f, 1, 0x30, litros, 7, false, false}, r.data());
  return r;
}
bytes arranque(const fecha_bcd& f) {
  bytes r(kLargoSuceso);
  suceso_arranque(f, 0, r.data());
  return r;
}

// A store of the current structure: a start, snapshots and sales of two
// tanks over two days.
bytes almacen() {
  return arranque(fecha(4, 6)) + foto(fecha(4, 6, 1), 0, 20000) + venta(fecha(4, 10), 0, 40) +
         foto(fecha(4, 10, 1), 0, 19960) + venta(fecha(4, 23), 1, 15) +
         foto(fecha(5, 1), 0, 19960) + venta(fecha(5, 3), 0, 25) + foto(fecha(5, 3, 1), 0, 19935) +
         venta(fecha(5, 8), 0, 10) + foto(fecha(5, 8, 1), 0, 19925);
}

// The same records in an old structure: 19 bytes each, version 1's sales
// 18 and its starts 10.
bytes antiguo(const bytes& actual, uint8_t version) {
  bytes r;
  for (size_t i = 0; i < actual.size(); i += kLargoSuceso) {
    size_t n = 19;
    if (version == 1 && actual[i] == SUCESO_VENTA) n = 18;
    if (version == 1 && actual[i] == SUCESO_ARRANQUE) n = 10;
    r.insert(r.end(), actual.begin() + static_cast<long>(i),
             actual.begin() + static_cast<long>(i + n));
    r[r.size() - n + 1] = version;
  }
  return r;
}

void almacenes() {
  const bytes a = almacen();
  semilla("almacen", "actual", a);
  semilla("almacen", "vacio", {});
  for (uint8_t v = 1; v <= 4; ++v) semilla("almacen", "version" + std::to_string(v), antiguo(a, v));
  bytes desconocido = a;
  desconocido[3 * kLargoSuceso] = 'X';
  semilla("almacen", "desconocido", desconocido);
  semilla("almacen", "pieza_suelta", bytes(a.begin(), a.end() - 5));
  bytes viejo = a;
  for (size_t i = campo_suceso::kMes; i < viejo.size(); i += kLargoSuceso) viejo[i] = 0x10;
  semilla("almacen", "meses_viejos", viejo);
  bytes futura = a;
  futura[1] = 9;
  semilla("almacen", "version_futura", futura);
}

// What nivara-admin reads, behind the byte that picks the reader: a store
// as lines and as CSV, the pieces a repair and an append set aside, and a
// table file.
void admin_archivos() {
  const bytes a = almacen();
  semilla("admin", "almacen", bytes{0} + a);
  semilla("admin", "almacen_csv", bytes{4} + bytes(a.begin(), a.end() - 3));
  banco::banco b;
  aparta(a.data() + 2 * kLargoSuceso, 2 * kLargoSuceso, motivo_apartado::reparado);
  aparta(a.data(), 9, motivo_apartado::pieza_suelta);
  semilla("admin", "apartados", bytes{1} + lee(b.sim().path_of(kArchivoApartados)));
}

void preguntas() {
  for (bool larga : {false, true}) {
    uint8_t q[qtr10::kLargoPregunta];
    qtr10::escribe_pregunta(pregunta(larga), q);
    const bytes cabecera = bytes{static_cast<uint8_t>(larga ? 0x10 : 0)} + bytes(q, q + sizeof q);
    semilla("pregunta_venta", larga ? "larga" : "corta", cabecera + almacen());
    if (!larga) semilla("pregunta_venta", "sin_almacen", cabecera);
  }
}

void configuraciones(const fs::path& demo) {
  const bytes texto = lee(demo / "estacion.txt");
  semilla("estacion", "demo", texto);
  configuracion_tnq c;
  std::vector<admin::error_estacion> errores;
  if (!admin::lee_estacion(std::string(texto.begin(), texto.end()), c, errores)) {
    std::fprintf(stderr, "semillas: demo/estacion.txt does not read\n");
    std::exit(1);
  }
  semilla("estacion", "impresa", de_texto(admin::imprime_estacion(c)));
  semilla("estacion", "errores", de_texto("controller = NADA\nconsole_port = 0\ntank 17 = x\n"));

  const bytes tnq = admin::archivo_tnq(c);
  semilla("tnq", "demo", tnq);
  bytes dos = tnq;
  dos.insert(dos.end(), tnq.begin() + kTnqCabecera, tnq.end());
  semilla("tnq", "dos_registros", dos);
  semilla("tnq", "incompleto", bytes(tnq.begin(), tnq.end() - 1));
  bytes version = tnq;
  version[0] = 13;
  semilla("tnq", "version", version);
  bytes parar = tnq;
  parar[kTnqCabecera + tnq::kStopNivara] = 1;
  semilla("tnq", "parar", parar);

  semilla("consola", "demo", lee(demo / "consola.txt"));
  semilla("consola", "minima", de_texto("port = 0\ntank 1 = cylinder 2000 8000\n"));
}

void tablas() {
  banco::banco b;
  tabla_calib t{};
  t.version_formato = kVersionFormatoTabla;
  t.diametro_tank = 2000;
  t.capacidad = 40000;
  t.puntos[1] = {40000, 2000, 0};
  for (int k = 2; k < kPuntosTabla; ++k) t.puntos[k] = {-1, 0, 0};
  auto guarda = [&](const char* nombre) {
    scf(0, t);
    const bytes archivo = lee(b.sim().path_of(archivo_tabla(0)));
    semilla("tabla", nombre, archivo);
    semilla("admin", std::string("tabla_") + nombre, bytes{2} + archivo);
  };
  guarda("dos_puntos");
  for (int k = 0; k < kPuntosTabla; ++k) {
    t.puntos[k] = {400.0f * static_cast<float>(k), 20.0f * static_cast<float>(k),
                   k % 7 == 0 ? 2.5f : 0.0f};
  }
  t.capacidad = t.puntos[kPuntosTabla - 1].litros;
  guarda("cien_puntos");
  t.puntos[50].mm = 0;
  guarda("no_sube");
}

void logs() {
  banco::banco b;
  gl(MSJ_SEPARADOR);
  gl(kTextoLibre, "Nivara v9.1");
  gl(MSJ_STOCK);
  gl(kTextoLibre, "AFS T1");
  b.sim().set_time(b.sim().now() + 3600);
  gl(MSJ_CHECKSUM_MAL);
  const bytes log = lee(b.sim().path_of("Nivara.log"));
  semilla("log", "log", log);
  semilla("log", "cortado", bytes(log.begin(), log.end() - 2));
}

surtidor::venta_surtidor vendida(unsigned h, unsigned mi, int s, int p, int tanque, float litros) {
  surtidor::venta_surtidor x;
  x.fecha = fecha(5, h, mi);
  x.surtidor = s;
  x.pico = p;
  x.tanque = tanque;
  x.litros = litros;
  x.contador = 1000.0f + litros;
  return x;
}

// Sales before, at and after the store's last one (10:00), a return, a
// station-wide nozzle and a shift close; and the same behind a morning of
// older sales, which makes the file longer than the reader's 4 KB chunk.
void ventas() {
  const std::vector<surtidor::venta_surtidor> v = {
      vendida(9, 0, 3, 1, 1, 12.5f), vendida(10, 0, 3, 2, 1, 8),
      vendida(10, 1, 12, 4, 2, 30),  vendida(10, 2, 3, 1, 1, -4),
      vendida(10, 3, 1, 40, 3, 7),   surtidor::cierre_de_turno(fecha(5, 10, 4))};
  std::vector<surtidor::venta_surtidor> largo;
  for (unsigned m = 0; m < 100; ++m) largo.push_back(vendida(7 + m / 60, m % 60, 3, 1, 1, 5));
  largo.insert(largo.end(), v.begin(), v.end());

  for (uint8_t i = 0; i < std::size(banco::kTiposTexto); ++i) {
    const std::string tipo = std::to_string(banco::kTiposTexto[i]);
    semilla("ventas", "tipo" + tipo,
            bytes{i} + de_texto(surtidor::archivo_ventas(banco::kTiposTexto[i], v)));
    if (i < 2) {  // WOLF, newest first, and SVS-WIDE, newest last
      semilla("ventas", "largo" + tipo,
              bytes{i} + de_texto(surtidor::archivo_ventas(banco::kTiposTexto[i], largo)));
    }
  }
  semilla("axxus", "ventas", de_texto(surtidor::archivo_ventas(CONTROLADOR_SVS_AXXUS, v)));
  semilla("axxus", "largo", de_texto(surtidor::archivo_ventas(CONTROLADOR_SVS_AXXUS, largo)));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: fuzz_semillas <corpus folder> <demo folder>\n");
    return 2;
  }
  corpus = argv[1];
  respuestas();
  almacenes();
  admin_archivos();
  preguntas();
  configuraciones(argv[2]);
  tablas();
  logs();
  ventas();
  return 0;
}
