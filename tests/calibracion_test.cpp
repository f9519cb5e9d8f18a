#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "calibration/tabla_calib.h"
#include "entorno.h"

namespace {

// Five points, host order, as a generator would leave it.
tabla_calib tabla_ejemplo() {
  tabla_calib t{};
  t.version_formato = 3, t.version_tabla = 4, t.campo_42 = 0x0102;
  std::memcpy(t.etiqueta, "TANQUE SUR", 10);
  t.diametro_tank = 2000.0f, t.capacidad = 30000.0f;
  for (int k = 1; k <= 5; ++k) t.puntos[k - 1] = {1000.0f * static_cast<float>(k), 50.0f * static_cast<float>(k), 0};
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

TEST_F(CalibracionArchivo, SavedFileIsBigEndianDatedAndSummedAndLoadsBack) {
  EXPECT_EQ(swap16(0x1234), 0x3412);
  EXPECT_EQ(swap32(0x12345678u), 0x78563412u);
  tabla_calib u{};
  std::memcpy(&u, "abc", 3);
  EXPECT_EQ(suma_tabla(u), 0x0126);
  std::memset(&u, 0xFF, sizeof u);
  EXPECT_EQ(suma_tabla(u), (1244 * 0xFF) & 0xFFFF);  // wraps, and leaves itself out

  ASSERT_TRUE(scf(0, t));
  const std::string f = archivo("tan/ct1n.tan");
  ASSERT_EQ(f.size(), 1246u);
  EXPECT_EQ(f.substr(0, 12), std::string("\x00\x03TANQUE SUR", 12));
  EXPECT_EQ(f.substr(18, 4), "\x04\x05\x03\x26");
  EXPECT_EQ(f.substr(34, 10), std::string("\x44\xFA\x00\x00\x46\xEA\x60\x00\x01\x02", 10));
  EXPECT_EQ(f.substr(44, 16), std::string("\x44\x7A\x00\x00\x42\x48\x00\x00\x00\x00\x00\x00\x44\xFA\x00\x00", 16));
  EXPECT_EQ(f.substr(104, 4), std::string("\xBF\x80\x00\x00", 4));
  EXPECT_EQ(f.substr(1240, 4), std::string("\x44\x7A\x00\x00", 4));
  EXPECT_EQ(sellado(f), f);

  tabla_calib d;
  ASSERT_TRUE(lct("tan\\ct1n.tan", &d));
  t.dia = 0x05, t.mes = 0x03, t.anio = 0x26;
  EXPECT_EQ(std::memcmp(&d, &t, 1244), 0);

  ASSERT_TRUE(scf(15, t));
  EXPECT_TRUE(existe(ruta("tan/ct16n.tan")));
  EXPECT_TRUE(eventos().empty());
}

TEST_F(CalibracionArchivo, RefusesDamagedFiles) {
  ASSERT_TRUE(scf(0, t));
  const std::string bueno = archivo("tan/ct1n.tan");
  // `bueno` with `b` written at `en`, summed again.
  auto con = [&](size_t en, const std::string& b) { return sellado(std::string(bueno).replace(en, b.size(), b)); };
  std::string mal_sumado = bueno;
  std::swap(mal_sumado[1244], mal_sumado[1245]);
  const std::pair<std::string, std::string> casos[] = {
      {bueno.substr(0, 1245), "132"},
      {bueno + "x", "132"},
      {mal_sumado, "135"},
      {con(0, std::string("\x03\x00", 2)), "134"},                       // version 3 only in host order
      {con(44 + 12 * 3 + 4, bueno.substr(44 + 12 * 2 + 4, 4)), "124"},  // points 2 and 3 at one level
      {con(44 + 12, bueno.substr(44, 4)), "124"},                        // litres of points 0 and 1 equal
      {con(44 + 12, std::string("\xBF\x80\x00\x00", 4)), "ok"},         // a table of one point
  };
  for (const auto& [d, codigo] : casos) {
    escribe_archivo(ruta("tan/ct1n.tan"), d);
    EXPECT_EQ(carga(), codigo);
  }
  sim->inject({.op = plat::Op::kRead, .path = "tan/ct1n.tan", .short_io = true});
  EXPECT_EQ(carga(), "133");
}

TEST_F(CalibracionArchivo, OpenFailuresAreLoggedAsTexts) {
  const std::pair<int, std::string> casos[] = {
      {EINVAL, "Incorrect function"},
      {ENOSYS, "Incorrect function"},
      {ENOENT, "cannot find the file tan\\ct1n.tan"},
      {ENOTDIR, "cannot find the path tan\\ct1n.tan"},
      {EMFILE, "cannot open the file tan\\ct1n.tan"},
      {ENFILE, "cannot open the file tan\\ct1n.tan"},
      {EACCES, "Access is denied"},
      {EPERM, "Access is denied"},
      {EIO, "File open failed 5"},
  };
  for (const auto& [error, texto] : casos) {
    sim->inject({.op = plat::Op::kOpen, .path = "tan/ct1n.tan", .error = error});
    EXPECT_EQ(carga(), "T:Error: lct: " + texto);
  }
  EXPECT_EQ(carga(), "T:Error: lct: cannot find the file tan\\ct1n.tan");  // really missing

  ASSERT_TRUE(scf(0, t));
  int otro = ::open(ruta("tan/ct1n.tan").c_str(), O_RDWR);
  ASSERT_EQ(::flock(otro, LOCK_EX), 0);
  EXPECT_EQ(carga(), "T:Error: lct: Access is denied");
  ::close(otro);
}

TEST_F(CalibracionArchivo, SaveFailuresHaveTheirOwnCodes) {
  sim->inject({.op = plat::Op::kOpen, .path = "tan/ct1n.tan"});
  EXPECT_FALSE(scf(0, t));
  sim->inject({.op = plat::Op::kWrite, .path = "tan/ct1n.tan"});
  EXPECT_FALSE(scf(0, t));
  sim->inject({.op = plat::Op::kWrite, .path = "tan/ct1n.tan", .short_io = true});
  EXPECT_FALSE(scf(0, t));
  EXPECT_EQ(eventos(), (std::vector<std::string>{"125", "126", "127"}));
  EXPECT_EQ(archivo("tan/ct1n.tan").size(), 623u);
}

}  // namespace
