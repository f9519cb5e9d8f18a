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

std::string bytes_de(const void* p, size_t n) { return std::string(static_cast<const char*>(p), n); }

// Five points, host order, as a generator would leave it.
tabla_calib tabla_ejemplo() {
  tabla_calib t{};
  t.version_formato = 3;
  std::memcpy(t.etiqueta, "TANQUE SUR", 10);
  t.version_tabla = 4;
  t.diametro_tank = 2000.0f;
  t.capacidad = 30000.0f;
  for (int k = 1; k <= 5; ++k) {
    t.puntos[k - 1] = {1000.0f * static_cast<float>(k), 50.0f * static_cast<float>(k), 0.0f};
  }
  t.puntos[2].pendiente = 21.5f;
  t.puntos[5].litros = -1.0f;
  return t;
}

TEST(CalibracionBytes, ConsoleOrderIsBigEndianAndConvertsBack) {
  EXPECT_EQ(swap16(0x1234), 0x3412);
  EXPECT_EQ(swap32(0x12345678u), 0x78563412u);

  tabla_calib t{};
  t.version_formato = 3;
  t.campo_42 = 0x0102;
  t.diametro_tank = 50.0f;
  t.puntos[0] = {1000.0f, 50.0f, 0.0f};
  t.puntos[1].litros = -1.0f;
  t.puntos[99].pendiente = 1000.0f;
  std::memcpy(t.etiqueta, "ab", 2);
  tabla_calib c = t;
  convierte_tabla(c);
  auto b = reinterpret_cast<const uint8_t*>(&c);
  EXPECT_EQ(bytes_de(b, 4), std::string("\x00\x03" "ab", 4));
  EXPECT_EQ(bytes_de(b + 34, 4), std::string("\x42\x48\x00\x00", 4));
  EXPECT_EQ(bytes_de(b + 42, 2), "\x01\x02");
  EXPECT_EQ(bytes_de(b + 44, 12), std::string("\x44\x7A\x00\x00\x42\x48\x00\x00\x00\x00\x00\x00", 12));
  EXPECT_EQ(bytes_de(b + 56, 4), std::string("\xBF\x80\x00\x00", 4));
  EXPECT_EQ(bytes_de(b + 1240, 4), std::string("\x44\x7A\x00\x00", 4));  // last real
  EXPECT_EQ(suma_tabla(c), suma_tabla(t));
  convierte_tabla(c);
  EXPECT_EQ(std::memcmp(&c, &t, sizeof t), 0);
}

TEST(CalibracionBytes, ChecksumCoversBytesUpToTheSumItself) {
  tabla_calib t{};
  std::memcpy(&t, "abc", 3);
  EXPECT_EQ(suma_tabla(t), 0x0126);
  std::memset(&t, 0xFF, sizeof t);
  EXPECT_EQ(suma_tabla(t), (1244 * 0xFF) & 0xFFFF);  // wraps; 1244/1245 left out
}

TEST(CalibracionBytes, OpenErrorsOfTheSameKindShareATextAndOthersKeepTheirNumber) {
  EXPECT_EQ(texto_error_lct(ENOSYS, "x"), "Error: lct: Incorrect function");
  EXPECT_EQ(texto_error_lct(ENFILE, "x"), "Error: lct: cannot open the file x");
  EXPECT_EQ(texto_error_lct(EPERM, "x"), "Error: lct: Access is denied");
  EXPECT_EQ(texto_error_lct(EWOULDBLOCK, "x"), "Error: lct: Access is denied");
  EXPECT_EQ(texto_error_lct(EISDIR, "x"), "Error: lct: File open failed 21");
}

class CalibracionArchivo : public Estacion {
 protected:
  void SetUp() override {
    Estacion::SetUp();
    sim->make_dir("tan");
  }
  std::vector<std::string> eventos() { return eventos_log(archivo("Nivara.log")); }
  // Writes tank 1's file with a sum of its own making.
  void escribe_sellado(std::string d) {
    unsigned s = 0;
    for (size_t i = 0; i < 1244; ++i) s += static_cast<uint8_t>(d[i]);
    d[1244] = static_cast<char>(s >> 8);
    d[1245] = static_cast<char>(s);
    escribe_archivo(ruta("tan/ct1n.tan"), d);
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

TEST_F(CalibracionArchivo, SavedTableLoadsBackWithTheSaveDate) {
  ASSERT_TRUE(scf(0, t));
  EXPECT_EQ(t.dia, 0);  // the caller's table is left alone
  std::string f = archivo("tan/ct1n.tan");
  ASSERT_EQ(f.size(), 1246u);
  EXPECT_EQ(f.substr(18, 4), "\x04\x05\x03\x26");
  unsigned s = 0;
  for (size_t i = 0; i < 1244; ++i) s += static_cast<uint8_t>(f[i]);
  EXPECT_EQ(static_cast<uint8_t>(f[1244]), s >> 8);
  EXPECT_EQ(static_cast<uint8_t>(f[1245]), s & 0xFF);

  tabla_calib d;
  ASSERT_TRUE(lct("tan\\ct1n.tan", &d));
  t.dia = 0x05, t.mes = 0x03, t.anio = 0x26;
  EXPECT_EQ(std::memcmp(&d, &t, 1244), 0);

  ASSERT_TRUE(scf(0, tabla_ejemplo()));
  EXPECT_EQ(archivo("tan/ct1n.tan"), f);  // same day, same table: same file
  ASSERT_TRUE(scf(15, t));
  EXPECT_TRUE(existe(ruta("tan/ct16n.tan")));
  EXPECT_TRUE(eventos().empty());
}

TEST_F(CalibracionArchivo, RefusesDamagedFiles) {
  ASSERT_TRUE(scf(0, t));
  const std::string bueno = archivo("tan/ct1n.tan");

  escribe_archivo(ruta("tan/ct1n.tan"), bueno.substr(0, 1245));
  EXPECT_EQ(carga(), "132");
  escribe_archivo(ruta("tan/ct1n.tan"), bueno + "x");
  EXPECT_EQ(carga(), "132");

  std::string d = bueno;
  std::swap(d[1244], d[1245]);
  escribe_archivo(ruta("tan/ct1n.tan"), d);
  EXPECT_EQ(carga(), "135");

  d = bueno;
  d[0] = 3, d[1] = 0;  // version 3 only in host order
  escribe_sellado(d);
  EXPECT_EQ(carga(), "134");

  d = bueno;
  d.replace(44 + 12 * 3 + 4, 4, bueno.substr(44 + 12 * 2 + 4, 4));  // points 2 and 3 at one level
  escribe_sellado(d);
  EXPECT_EQ(carga(), "124");
  d = bueno;
  d.replace(44 + 12 * 1, 4, bueno.substr(44, 4));  // litres of points 0 and 1 equal
  escribe_sellado(d);
  EXPECT_EQ(carga(), "124");

  d = bueno;
  d.replace(44 + 12, 4, std::string("\xBF\x80\x00\x00", 4));  // a table of one point
  escribe_sellado(d);
  EXPECT_EQ(carga(), "ok");

  escribe_archivo(ruta("tan/ct1n.tan"), bueno);
  sim->inject({.op = plat::Op::kRead, .path = "tan/ct1n.tan", .short_io = true});
  EXPECT_EQ(carga(), "133");
}

TEST_F(CalibracionArchivo, OpenFailuresAreLoggedAsTexts) {
  const std::pair<int, std::string> casos[] = {
      {EINVAL, "Error: lct: Incorrect function"},
      {ENOENT, "Error: lct: cannot find the file tan\\ct1n.tan"},
      {ENOTDIR, "Error: lct: cannot find the path tan\\ct1n.tan"},
      {EMFILE, "Error: lct: cannot open the file tan\\ct1n.tan"},
      {EACCES, "Error: lct: Access is denied"},
      {EIO, "Error: lct: File open failed 5"},
  };
  for (const auto& [error, texto] : casos) {
    sim->inject({.op = plat::Op::kOpen, .path = "tan/ct1n.tan", .error = error});
    EXPECT_EQ(carga(), "T:" + texto);
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
