// Calibration tables: their files (scf, lct), and the working table made
// from the console's (g100) and read between its points.
#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "app/CNivaraDlg.h"
#include "asesina.h"
#include "calibration/g100.h"
#include "entorno.h"

namespace {

using V = std::vector<std::string>;

// Five points, host order, as a generator would leave it.
tabla_calib tabla_ejemplo() {
  tabla_calib t{};
  t.version_formato = 3, t.version_tabla = 4, t.campo_42 = 0x0102;
  std::memcpy(t.etiqueta, "TANQUE SUR", 10);
  t.diametro_tank = 2000.0f, t.capacidad = 30000.0f;
  for (int k = 1; k <= 5; ++k)
    t.puntos[k - 1] = {1000.0f * static_cast<float>(k), 50.0f * static_cast<float>(k), 0};
  t.puntos[5].litros = -1.0f;
  t.puntos[99].pendiente = 1000.0f;  // the last real, past the end
  return t;
}

// A file's bytes with their checksum made again, high byte first.
std::string sellado(std::string d) {
  const uint16_t s = suma_tabla(*reinterpret_cast<const tabla_calib*>(d.data()));
  d[1244] = static_cast<char>(s >> 8);
  d[1245] = static_cast<char>(s);
  return d;
}

class CalibracionArchivo : public Estacion {
 protected:
  void SetUp() override {
    Estacion::SetUp();
    sim->make_dir("tan");
  }
  // Loads tank 1's file; on failure, the last logged event.
  std::string carga() {
    tabla_calib d;
    if (lct("tan\\ct1n.tan", &d)) return "ok";
    std::vector<std::string> e = eventos();
    return e.empty() ? "nothing logged" : e.back();
  }
  tabla_calib t = tabla_ejemplo();
};

TEST_F(CalibracionArchivo, SavedFileIsBigEndianDatedAndSummedLoadsBackAndRefusedWhenDamaged) {
  tabla_calib u;
  std::memset(&u, 0xFF, sizeof u);
  EXPECT_EQ(suma_tabla(u), (1244 * 0xFF) & 0xFFFF);  // wraps, and leaves itself out

  ASSERT_TRUE(scf(15, t));
  EXPECT_TRUE(existe(ruta("tan/ct16n.tan")));
  ASSERT_TRUE(scf(0, t));
  const std::string f = archivo("tan/ct1n.tan");
  ASSERT_EQ(f.size(), 1246u);
  EXPECT_EQ(f.substr(0, 12), std::string("\x00\x03TANQUE SUR", 12));
  EXPECT_EQ(f.substr(18, 4), "\x04\x05\x03\x26");
  EXPECT_EQ(f.substr(34, 10), std::string("\x44\xFA\x00\x00\x46\xEA\x60\x00\x01\x02", 10));
  EXPECT_EQ(f.substr(44, 16),
            std::string("\x44\x7A\x00\x00\x42\x48\x00\x00\x00\x00\x00\x00\x44\xFA\x00\x00", 16));
  EXPECT_EQ(f.substr(104, 4), std::string("\xBF\x80\x00\x00", 4));
  EXPECT_EQ(f.substr(1240, 4), std::string("\x44\x7A\x00\x00", 4));
  EXPECT_EQ(sellado(f), f);
  tabla_calib d;
  ASSERT_TRUE(lct("tan\\ct1n.tan", &d));
  t.dia = 0x05, t.mes = 0x03, t.anio = 0x26;
  EXPECT_EQ(std::memcmp(&d, &t, 1244), 0);
  EXPECT_TRUE(eventos().empty());

  // `f` with `b` written at `en`, summed again.
  auto con = [&](size_t en, const std::string& b) {
    return sellado(std::string(f).replace(en, b.size(), b));
  };
  std::string mal_sumado = f;
  std::swap(mal_sumado[1244], mal_sumado[1245]);
  const std::pair<std::string, std::string> casos[] = {
      {f.substr(0, 1245), ev(MSJ_LCT_SIN_TAMANO)},
      {f + "x", ev(MSJ_LCT_SIN_TAMANO)},
      {mal_sumado, ev(MSJ_LCT_CHECKSUM)},
      {con(0, std::string("\x03\x00", 2)), ev(MSJ_LCT_VERSION)},  // version 3 only in host order
      {con(44 + 12 * 3 + 4, f.substr(44 + 12 * 2 + 4, 4)),
       ev(MSJ_LCT_INCONSISTENTE)},                                 // points 2 and 3 at one level
      {con(44 + 12, f.substr(44, 4)), ev(MSJ_LCT_INCONSISTENTE)},  // litres of points 0 and 1 equal
      {con(44 + 12, std::string("\xBF\x80\x00\x00", 4)), "ok"},    // a table of one point
  };
  for (const auto& [datos, codigo] : casos) {
    escribe_archivo(ruta("tan/ct1n.tan"), datos);
    EXPECT_EQ(carga(), codigo);
  }
  sim->inject({.op = plat::Op::kRead, .path = "tan/ct1n.tan", .short_io = true});
  EXPECT_EQ(carga(), ev(MSJ_LCT_NO_LEE));
}

TEST_F(CalibracionArchivo, FileFailuresAreLogged) {
  const std::string nombre = "tan\\ct1n.tan";
  const std::pair<std::string, std::vector<int>> casos[] = {
      {"Incorrect function", {EINVAL, ENOSYS}},
      {"cannot find the file " + nombre, {ENOENT}},
      {"cannot find the path " + nombre, {ENOTDIR}},
      {"cannot open the file " + nombre, {EMFILE, ENFILE}},
      {"Access is denied", {EACCES, EPERM}},
      {"File open failed 5", {EIO}}};
  for (const auto& [texto, errores] : casos) {
    for (int error : errores) {
      sim->inject({.op = plat::Op::kOpen, .path = "tan/ct1n.tan", .error = error});
      EXPECT_EQ(carga(), "T:Error: lct: " + texto) << error;
    }
  }
  EXPECT_EQ(carga(), "T:Error: lct: cannot find the file tan\\ct1n.tan");  // really missing
  sim->inject({.op = plat::Op::kOpen, .path = "tan/ct1n.tan", .error = EWOULDBLOCK});
  EXPECT_EQ(carga(), "T:Error: lct: Access is denied");  // held by another program

  // Saving has a code of its own for each failure, and a failed save
  // leaves the table file as it was and no temporary file.
  ASSERT_TRUE(scf(0, t));
  const std::string guardada = archivo("tan/ct1n.tan");
  const std::string temporal = "tan/ct1n.tan.tmp";
  const std::pair<plat::Fault, unsigned> fallos[] = {
      {{.op = plat::Op::kOpen, .path = temporal}, MSJ_SCF_NO_CREA},
      {{.op = plat::Op::kWrite, .path = temporal}, MSJ_SCF_NO_GUARDA_1},
      {{.op = plat::Op::kSync, .path = temporal}, MSJ_SCF_NO_GUARDA_1},
      {{.op = plat::Op::kRename}, MSJ_SCF_NO_GUARDA_1},
      {{.op = plat::Op::kWrite, .path = temporal, .short_io = true}, MSJ_SCF_NO_GUARDA_2}};
  for (const auto& [fallo, codigo] : fallos) {
    sim->inject(fallo);
    EXPECT_FALSE(scf(0, t));
    EXPECT_EQ(eventos().back(), ev(codigo));
    EXPECT_EQ(archivo("tan/ct1n.tan"), guardada);
    EXPECT_FALSE(existe(ruta(temporal)));
  }
}

// Killed at any step of a save, the table file is the old one or the new
// one, whole, and the next save puts the new one in place.
TEST_F(CalibracionArchivo, KilledAtAnyStepOfASaveLeavesOneWholeTable) {
  ASSERT_TRUE(scf(0, t));
  const std::string vieja = archivo("tan/ct1n.tan");
  tabla_calib otra = t;
  otra.puntos[1].litros += 50;
  int con_la_vieja = 0, con_la_nueva = 0;
  const int muertes = mata_en_cada_paso(
      *sim, [&] { escribe_archivo(ruta("tan/ct1n.tan"), vieja); }, [&] { scf(0, otra); },
      [&](bool murio) {
        tabla_calib leida{};
        ASSERT_TRUE(lct("tan\\ct1n.tan", &leida));
        const bool nueva = leida.puntos[1].litros == otra.puntos[1].litros;
        EXPECT_TRUE(nueva || archivo("tan/ct1n.tan") == vieja);
        EXPECT_TRUE(murio || nueva);
        (nueva ? con_la_nueva : con_la_vieja) += murio;
        EXPECT_TRUE(scf(0, otra));
        EXPECT_FALSE(existe(ruta("tan/ct1n.tan.tmp")));
      });
  EXPECT_EQ(muertes, con_la_vieja + con_la_nueva);
  EXPECT_GE(con_la_vieja, 3);  // write, sync, rename
  EXPECT_GE(con_la_nueva, 1);  // closing the new file
}

// The same for the backup copy of a table: none, or the whole table.
TEST_F(CalibracionArchivo, KilledAtAnyStepOfABackupCopyLeavesNoneOrAWholeOne) {
  ASSERT_TRUE(scf(0, t));
  const std::string tabla = archivo("tan/ct1n.tan");
  const std::string respaldo = archivo_respaldo(0, 3);
  int muertes_sin = 0;
  const int muertes = mata_en_cada_paso(
      *sim, [&] { std::remove(ruta(respaldo).c_str()); },
      [&] { plat::current().copy("tan\\ct1n.tan", respaldo.c_str()); },
      [&](bool murio) {
        const bool hay = existe(ruta(respaldo));
        EXPECT_TRUE(!hay || archivo(respaldo) == tabla);
        EXPECT_TRUE(murio || hay);
        muertes_sin += murio && !hay;
        EXPECT_TRUE(plat::current().copy("tan\\ct1n.tan", respaldo.c_str()));
        EXPECT_EQ(archivo(respaldo), tabla);
        EXPECT_FALSE(existe(ruta(respaldo + ".tmp")));
      });
  // It appears whole, at its rename, the last step.
  EXPECT_EQ(muertes, muertes_sin);
  EXPECT_GE(muertes, 4);  // write, sync, closing, rename
}

// A console table (host order) of the given (mm, litres) points.
tabla_calib consola(std::vector<std::pair<float, float>> puntos, float diametro) {
  tabla_calib t{};
  t.version_formato = 3, t.campo_42 = 0x1234, t.diametro_tank = diametro;
  t.version_tabla = 7, t.dia = 0x05, t.reservado[3] = 9;  // none of it goes to the working table
  for (size_t k = 0; k < puntos.size(); ++k) {
    t.puntos[k] = {puntos[k].second, puntos[k].first, 1.5f};
  }
  if (puntos.size() < kPuntosTabla) t.puntos[puntos.size()].litros = -1.0f;
  return t;
}

// A working table full of junk, to see what is written and what is left.
tabla_calib sucia() {
  tabla_calib t;
  std::memset(&t, 0xAB, sizeof t);
  return t;
}

// The tables are packed: `+` reads a field into a value before a check takes
// it by reference.

TEST(G100Genera, AHundredEvenStepsUpToTheSnappedHeightRisingEvenBelowTheFirstPoint) {
  tabla_calib c = consola({{0.0f, 0.0f}, {2000.0f, 40000.0f}}, 2000.99f);  // under a mm off
  std::memcpy(c.etiqueta, "NORTE\0basura", 12);
  tabla_calib w = sucia();
  ASSERT_EQ(genera_tabla(c, &w), 0u);
  EXPECT_EQ(+c.diametro_tank, 2000.0f);
  EXPECT_EQ(+c.campo_42, 0);
  EXPECT_NEAR(w.puntos[1].litros, 404.04f, 0.01f);
  // The step is summed in single precision, not multiplied.
  float h = 0.0f;
  for (int i = 0; i < 99; ++i) h += 2000.0f / 99.0f;
  EXPECT_EQ(+w.puntos[99].mm, h);
  EXPECT_NEAR(w.puntos[99].litros, 40000.0f, 0.2f);
  for (int i = 1; i < kPuntosTabla; ++i) EXPECT_EQ(+w.puntos[i].pendiente, 0.0f) << i;
  EXPECT_EQ(+w.version_formato, 3);
  EXPECT_EQ(std::string(w.etiqueta, 16), std::string("NORTE\0\0\0\0\0\0\0\0\0\0\0", 16));
  const uint8_t* b = reinterpret_cast<const uint8_t*>(&w);
  for (int i = 18; i < 34; ++i) EXPECT_EQ(b[i], 0) << i;
  EXPECT_EQ(+w.diametro_tank, +w.puntos[99].mm);
  EXPECT_EQ(+w.capacidad, +w.puntos[99].litros);
  EXPECT_EQ(w.suma[0] << 8 | w.suma[1], suma_tabla(w));

  c = consola({{100.0f, 0.0f}, {2000.0f, 40000.0f}}, 2000.0f);
  ASSERT_EQ(genera_tabla(c, &w), 0u);
  EXPECT_EQ(+w.puntos[0].litros, 0.0f);
  EXPECT_EQ(+w.puntos[1].litros, 0.01f);
  EXPECT_EQ(+w.puntos[4].litros, 0.01f + 0.01f + 0.01f + 0.01f);  // 80.8 mm
  EXPECT_NEAR(w.puntos[5].litros, 40000.0 * (10000.0 / 99.0 - 100.0) / 1900.0, 0.01);

  // Without an end marker all 100 points count: stopping at 99 would
  // misjudge the height.
  std::vector<std::pair<float, float>> p;
  for (int k = 0; k < kPuntosTabla; ++k)
    p.push_back({10.0f * static_cast<float>(k), static_cast<float>(k * k)});
  c = consola(p, 990.0f);
  ASSERT_EQ(genera_tabla(c, &w), 0u);
  EXPECT_NEAR(w.capacidad, 99.0f * 99.0f, 0.5f);
  EXPECT_EQ(interpola(w, 1e6f), +w.puntos[99].litros);  // flat above the last of 100 points
}

class G100Estacion : public Estacion {};

TEST_F(G100Estacion, LogsWhyATableIsRefusedAndLeavesTheWorkingTable) {
  const float nan = std::nanf("");
  const std::pair<tabla_calib, unsigned> malas[] = {
      {consola({{0, 0}, {2000, 40000}}, 2001.0f), MSJ_G100_DIAMETRO},  // one mm over
      {consola({{0, 0}, {2000, 40000}}, 1999.0f), MSJ_G100_DIAMETRO},  // one mm under
      {consola({{0, 0}, {500, 100}, {500, 200}}, 500.0f), MSJ_G100_INCONSISTENTE},
      {consola({{0, 0}, {500, 100}, {600, 100}}, 600.0f), MSJ_G100_INCONSISTENTE},
      {consola({{0, 0}, {500, 100}, {400, 200}}, 400.0f), MSJ_G100_INCONSISTENTE},
      {consola({{0, 0}, {nan, 100}}, 500.0f), MSJ_G100_INCONSISTENTE},
      {consola({{0, 0}}, 0.0f), MSJ_G100_POCOS_PUNTOS},
  };
  const tabla_calib basura = sucia();
  CNivaraDlg dlg;
  for (size_t i = 0; i < std::size(malas); ++i) {
    dlg.calib.tabla_qtr = malas[i].first;
    dlg.calib.tabla_trabajo = basura;
    EXPECT_FALSE(dlg.g100()) << i;
    EXPECT_EQ(eventos().back(), ev(malas[i].second)) << i;
    EXPECT_EQ(std::memcmp(&dlg.calib.tabla_trabajo, &basura, sizeof basura), 0) << i;
    EXPECT_EQ(+dlg.calib.tabla_qtr.diametro_tank, +malas[i].first.diametro_tank) << i;
  }
}

TEST(G100Interpola, StraightLinesBetweenPointsAndFlatOutside) {
  const tabla_calib t = consola({{100, 1000}, {200, 3000}, {300, 4000}}, 300.0f);
  const std::pair<float, float> casos[] = {{0, 1000},   {100, 1000}, {150, 2000}, {200, 3000},
                                           {250, 3500}, {300, 4000}, {5000, 4000}};
  for (const auto& [mm, litros] : casos) EXPECT_EQ(interpola(t, mm), litros) << mm;
}

}  // namespace
