// Files on a network share through the real platform, against a real Samba
// server: the sales reader's calls give on a share file what they give on a
// local one.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include "entorno.h"
#include "platform/real_platform.h"
#include "samba.h"

// libsmbclient keeps one small talloc block past smbc_free_context, the
// same 116 bytes for every context: not ours to free, and no leak of ours.
extern "C" const char* __lsan_default_suppressions() { return "leak:libtalloc.so\n"; }

namespace {

using plat::Creation;
using plat::kInvalidFile;
using plat::Origin;
using plat::Share;

// 2022-09-29 10:30:45 and a fraction: SMB carries times in 100 ns steps.
constexpr int64_t kHora = 1664447445123456700;

class RecursoRed : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(samba.arranca()) << samba.fallo(); }
  bool conecta(const std::string& recurso, const std::string& clave) {
    return p.connect_share(recurso.c_str(), samba.usuario().c_str(), clave.c_str());
  }
  int abre(const std::string& ruta, unsigned acceso, Share comparte,
           Creation crea = Creation::kOpenExisting) {
    return p.open(ruta.c_str(), acceso, comparte, crea);
  }

  ServidorSamba samba;
  plat::RealPlatform p;
};

TEST_F(RecursoRed, UnArchivoDelRecursoSeTrabajaComoUnoLocal) {
  ASSERT_TRUE(conecta(samba.recurso(), samba.clave())) << p.last_error();
  const std::string aqui = samba.carpeta() + "/../local";
  std::filesystem::create_directory(aqui);
  std::filesystem::create_directory(samba.carpeta() + "/dia 1");
  const struct {
    const char* nombre;
    std::string carpeta;  // where the file lies on this machine
    std::string ruta;     // the folder as the station names it
  } casos[] = {
      {"local", aqui, aqui},
      {"recurso", samba.carpeta(), samba.recurso()},
      {"carpeta del recurso con espacio", samba.carpeta() + "/dia 1", samba.recurso() + "\\dia 1"},
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(c.nombre);
    auto en = [&](const std::string& n) { return c.ruta + "\\" + n; };
    auto local = [&](const std::string& n) { return c.carpeta + "/" + n; };
    escribe_archivo(local("ventas.txt"), "0123456789abcdef");
    const timespec horas[2] = {{0, UTIME_OMIT}, {kHora / 1000000000, kHora % 1000000000}};
    ASSERT_EQ(::utimensat(AT_FDCWD, local("ventas.txt").c_str(), horas, 0), 0);

    // The reader's look: shared for reading, size, last write, a read at an offset.
    int f = abre(en("ventas.txt"), plat::kRead, Share::kRead);
    ASSERT_NE(f, kInvalidFile) << p.last_error();
    uint64_t bytes = 0, donde = 0;
    int64_t ns = 0;
    EXPECT_TRUE(p.size(f, &bytes));
    EXPECT_EQ(bytes, 16u);
    EXPECT_TRUE(p.file_time(f, &ns));
    EXPECT_EQ(ns, kHora);
    char buf[32];
    uint32_t leidos = 0, escritos = 0;
    EXPECT_TRUE(p.seek(f, -6, Origin::kEnd, &donde));
    EXPECT_EQ(donde, 10u);
    EXPECT_TRUE(p.read(f, buf, sizeof buf, &leidos));
    EXPECT_EQ(std::string(buf, leidos), "abcdef");
    // Another reader gets in; one who wants it alone does not.
    int g = abre(en("ventas.txt"), plat::kRead, Share::kRead);
    EXPECT_NE(g, kInvalidFile);
    p.close(g);
    EXPECT_EQ(abre(en("ventas.txt"), plat::kReadWrite, Share::kNone), kInvalidFile);
    EXPECT_NE(p.last_error(), 0);
    p.close(f);

    // The cut: alone with it, end it at 4 and write on; meanwhile not even a reader gets in.
    f = abre(en("ventas.txt"), plat::kReadWrite, Share::kNone);
    ASSERT_NE(f, kInvalidFile) << p.last_error();
    EXPECT_EQ(abre(en("ventas.txt"), plat::kRead, Share::kRead), kInvalidFile);
    EXPECT_TRUE(p.seek(f, 4, Origin::kBegin, nullptr));
    EXPECT_TRUE(p.set_end(f));
    EXPECT_TRUE(p.write(f, "XY", 2, &escritos));
    p.close(f);
    EXPECT_EQ(lee_archivo(local("ventas.txt")), "0123XY");

    // A copy taken from it, and a file made anew over an older one beside it.
    EXPECT_TRUE(p.copy(en("ventas.txt").c_str(), (aqui + "/copia.txt").c_str()));
    EXPECT_EQ(lee_archivo(aqui + "/copia.txt"), "0123XY");
    escribe_archivo(local("nuevo 100%41.txt"), "el de antes");
    f = abre(en("nuevo 100%41.txt"), plat::kWrite, Share::kNone, Creation::kCreateAlways);
    EXPECT_TRUE(p.write(f, "hola", 4, &escritos));
    p.close(f);
    EXPECT_EQ(lee_archivo(local("nuevo 100%41.txt")), "hola");

    // Deleted; then it neither opens nor deletes.
    EXPECT_TRUE(p.remove(en("ventas.txt").c_str()));
    EXPECT_FALSE(existe(local("ventas.txt")));
    EXPECT_EQ(abre(en("ventas.txt"), plat::kRead, Share::kRead), kInvalidFile);
    EXPECT_EQ(p.last_error(), ENOENT);
    EXPECT_FALSE(p.remove(en("ventas.txt").c_str()));
    EXPECT_EQ(p.last_error(), ENOENT);
  }
}

// Each connection is checked with its own user and password, not one left
// over from before; its files open only when it was made.
TEST_F(RecursoRed, ConectaSoloConLaClaveBuena) {
  escribe_archivo(samba.carpeta() + "/ventas.txt", "x");
  const std::string servidor = "\\\\127.0.0.1:" + std::to_string(samba.puerto());
  const struct {
    const char* nombre;
    std::string recurso, clave;
    int error;  // 0: connects
  } casos[] = {
      {"clave buena", samba.recurso(), samba.clave(), 0},
      {"clave mala", samba.recurso(), "Surtidor-8", EACCES},
      {"otra vez la buena", samba.recurso(), samba.clave(), 0},
      {"recurso que no hay", servidor + "\\otro", samba.clave(), ENOENT},
      {"puerto sin servidor", "\\\\127.0.0.1:" + std::to_string(puerto_libre()) + "\\ventas",
       samba.clave(), ECONNREFUSED},
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(c.nombre);
    const bool conectado = conecta(c.recurso, c.clave);
    EXPECT_EQ(conectado ? 0 : p.last_error(), c.error);
    int f = abre(c.recurso + "\\ventas.txt", plat::kRead, Share::kRead);
    EXPECT_EQ(f != kInvalidFile, conectado);
    if (f != kInvalidFile) p.close(f);
  }
}

}  // namespace
