// The retention rewrite must never lose the event store: whatever fails or
// wherever the process dies, the store holds either all its old records or
// exactly the kept ones.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "app/CNivaraDlg.h"
#include "entorno.h"
#include "eventstore/suceso.h"
#include "foundation/gl.h"

namespace {

constexpr const char* kTemporal = "qtrs.nvr.tmp";

// `viejos` records of December 2025, then `recientes` of January to March
// 2026; on the virtual clock's 5 March 2026 the December ones are due to go.
std::string almacen(int viejos, int recientes) {
  std::string s;
  uint8_t r[kLargoSuceso];
  for (int i = 0; i < viejos + recientes; ++i) {
    const uint8_t mes = i < viejos ? 0x12 : static_cast<uint8_t>(1 + i % 3);
    fecha_bcd f{0, 0, 8, 1, mes, 0, static_cast<uint8_t>(i < viejos ? 0x25 : 0x26)};
    suceso_arranque(f, static_cast<uint8_t>(i), r);
    s.append(reinterpret_cast<const char*>(r), kLargoSuceso);
  }
  return s;
}

class SincroSeguro : public Estacion {
 protected:
  std::string almacenado() { return archivo(kArchivoSincro); }
  void pon(const std::string& datos) { escribe_archivo(ruta(kArchivoSincro), datos); }
  // The record that afs('S', 0) appends for the tank below.
  std::string foto() {
    uint8_t r[kLargoSuceso];
    suceso_foto(dlg.resp.tanques[0], 0, false, false, r);
    return std::string(reinterpret_cast<const char*>(r), kLargoSuceso);
  }
  void SetUp() override {
    Estacion::SetUp();
    dlg.resp.tanques[0].fecha_hora = {0x00, 0x05, 0x09, 0x05, 0x03, 0x05, 0x26};
    dlg.resp.tanques[0].litros = 12345.5f;
  }

  CNivaraDlg dlg;
};

TEST_F(SincroSeguro, FailedRewriteLeavesTheOldStoreWhole) {
  const std::string previo = almacen(3, 5);
  const std::string retenidos = previo.substr(3 * kLargoSuceso);
  using plat::Op;
  struct {
    const char* caso;
    plat::Fault falla;
    const char* codigo;
  } casos[] = {
      {"create", {.op = Op::kOpen, .path = kTemporal}, "111"},
      {"write", {.op = Op::kWrite, .path = kTemporal}, "112"},
      {"short write", {.op = Op::kWrite, .path = kTemporal, .short_io = true}, "100"},
      {"sync", {.op = Op::kSync, .path = kTemporal}, "112"},
      {"rename", {.op = Op::kRename, .path = kArchivoSincro}, "112"},
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(c.caso);
    pon(previo);
    std::remove(ruta("Nivara.log").c_str());
    gl_reinicia();
    sim->clear_faults();
    sim->inject(c.falla);
    EXPECT_FALSE(dlg.afs('S', 0));
    EXPECT_EQ(almacenado(), previo);
    EXPECT_FALSE(existe(ruta(kTemporal)));
    EXPECT_EQ(eventos_log(archivo("Nivara.log")), std::vector<std::string>{c.codigo});
  }
  // The next call does the rewrite, over a stale temporary file too.
  sim->clear_faults();
  escribe_archivo(ruta(kTemporal), std::string(5000, 'x'));
  EXPECT_TRUE(dlg.afs('S', 0));
  EXPECT_EQ(almacenado(), retenidos + foto());
  EXPECT_FALSE(existe(ruta(kTemporal)));
}

// A simulated platform that kills its own process on the nth file call. A
// long write is cut in half first, as a crash in the middle of it would.
class Asesina : public plat::SimPlatform {
 public:
  Asesina(std::string root, int64_t t, int nth) : SimPlatform(std::move(root), t), nth_(nth) {}
  int open(const char* path, unsigned a, plat::Share s, plat::Creation c) override {
    paso();
    return SimPlatform::open(path, a, s, c);
  }
  bool size(int f, uint64_t* n) override {
    paso();
    return SimPlatform::size(f, n);
  }
  bool read(int f, void* b, uint32_t n, uint32_t* d) override {
    paso();
    return SimPlatform::read(f, b, n, d);
  }
  bool write(int f, const void* b, uint32_t n, uint32_t* d) override {
    if (llamadas_ + 1 == nth_ && n > kLargoSuceso) SimPlatform::write(f, b, n / 2, d);
    paso();
    return SimPlatform::write(f, b, n, d);
  }
  bool seek(int f, int64_t o, plat::Origin w, uint64_t* pos) override {
    paso();
    return SimPlatform::seek(f, o, w, pos);
  }
  bool sync(int f) override {
    paso();
    return SimPlatform::sync(f);
  }
  bool rename(const char* a, const char* b) override {
    paso();
    return SimPlatform::rename(a, b);
  }
  void close(int f) override {
    paso();
    SimPlatform::close(f);
  }

 private:
  void paso() {
    if (++llamadas_ == nth_) ::raise(SIGKILL);
  }
  int nth_;
  int llamadas_ = 0;
};

TEST_F(SincroSeguro, KilledAtAnyStepLeavesOneWholeStore) {
  const std::string previo = almacen(4000, 16000);  // 420,000 bytes
  const std::string retenidos = previo.substr(4000 * kLargoSuceso);
  const std::string nueva = foto();
  int muertes = 0, con_el_viejo = 0, con_el_nuevo = 0;
  for (int k = 1;; ++k) {
    SCOPED_TRACE(k);
    pon(previo);
    std::remove(ruta(kTemporal).c_str());
    std::fflush(nullptr);
    pid_t hijo = ::fork();
    ASSERT_GE(hijo, 0);
    if (hijo == 0) {
      Asesina asesina(sim->root(), sim->now(), k);
      plat::instala_plataforma(&asesina);
      ::_exit(dlg.afs('S', 0) ? 0 : 1);
    }
    int estado = 0;
    ASSERT_EQ(::waitpid(hijo, &estado, 0), hijo);
    const std::string tras = almacenado();
    if (WIFEXITED(estado)) {  // no call left to die at: the whole append ran
      EXPECT_EQ(WEXITSTATUS(estado), 0);
      EXPECT_EQ(tras, retenidos + nueva);
      break;
    }
    ASSERT_TRUE(WIFSIGNALED(estado) && WTERMSIG(estado) == SIGKILL);
    ++muertes;
    con_el_viejo += tras == previo;
    con_el_nuevo += tras == retenidos || tras == retenidos + nueva;
    EXPECT_TRUE(tras == previo || tras == retenidos || tras == retenidos + nueva)
        << "store of " << tras.size() << " bytes";
    // And the next run carries on from whichever store it finds.
    EXPECT_TRUE(dlg.afs('S', 0));
    const std::string despues = almacenado();
    EXPECT_TRUE(despues == retenidos + nueva || despues == retenidos + nueva + nueva);
    EXPECT_FALSE(existe(ruta(kTemporal)));
  }
  // Deaths before the rename and after it, at every call between.
  EXPECT_EQ(muertes, con_el_viejo + con_el_nuevo);
  EXPECT_GE(con_el_viejo, 9);  // open, read, seek, size, read, create, write, sync, rename
  EXPECT_GE(con_el_nuevo, 4);  // close the old store, seek to the end, write, close
}

}  // namespace
