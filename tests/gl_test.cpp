// The message catalogue, the binary event log and the status journal.
#include "foundation/gl.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "asesina.h"
#include "entorno.h"
#include "foundation/afe.h"
#include "foundation/catalogo.h"

namespace {

using enum plat::Op;

TEST(Catalogo, HoldsCodes1To213InOrderAndLooksThemUp) {
  int n = 0;
  for (const fila_mensaje* f = tabla_mensajes; f->codigo != 0; ++f) {
    EXPECT_EQ(f->codigo, ++n);
    EXPECT_LT(std::strlen(f->texto), 128u);
  }
  EXPECT_EQ(n, 213);
  std::vector<std::pair<unsigned, std::string>> casos = {
      {0, "???"},
      {300, "???"},
      {65536 + MSJ_TP_OC_WAIT_READ, "TP oc WAIT_READ"},  // taken as 16 bits
      {MSJ_TP_OC_DESCONOCIDO, "TP oc ???"}};
  // One text per tank.
  for (int t = 0; t < 16; ++t)
    casos.push_back({MSJ_AUTCLB_NUEVA_T1 + t, "Autclb new T" + std::to_string(t + 1)});
  for (const auto& [codigo, texto] : casos) {
    char t[128];
    texto_mensaje(codigo, t);
    EXPECT_EQ(t, texto);
  }
}

class Log : public Estacion {
 protected:
  std::string log() { return archivo("Nivara.log"); }
  std::string diario() { return archivo("Estado.txt"); }
};
using Diario = Log;

// 09:07 is minute 547 (0x0223).
const std::string kSello =
    std::string("\x23\x02\xff", 3) + "05/03/26  09:07:03" + std::string(1, '\0');
const std::string kEvento12 = std::string("\x23\x02\x0c", 3);

TEST_F(Log, RecordBytesAndTheStampAtEachRunHourAndDate) {
  gl(12);
  gl(kTextoLibre, "abc");
  EXPECT_EQ(log(), kSello + kEvento12 + std::string("\x23\x02\xff", 3) + "abc" + '\0');
  gl_reinicia();  // a new run stamps again even within the same hour
  gl(256 + 12);   // only the low byte of the code is kept
  gl(256 + 255, "texto");
  gl(kTextoLibre, std::string(600, 'x').c_str());
  for (auto [t, codigo] : {std::pair{segundos(2026, 3, 5, 9, 59, 59), 2},
                           {segundos(2026, 3, 5, 10, 0, 0), 3},
                           {segundos(2026, 3, 6, 10, 0, 0), 4}}) {  // same hour, next day
    sim->set_time(t);
    gl(codigo);
  }
  const std::vector<std::string> r = registros_log(log());
  EXPECT_EQ(std::vector(r.begin() + 3, r.end()),
            (std::vector<std::string>{
                "547 05/03/26  09:07:03", "547:12", "547 texto", "547 " + std::string(508, 'x'),
                "599:2", "600 05/03/26  10:00:00", "600:3", "600 06/03/26  10:00:00", "600:4"}));
}

// A log at the trim limit: 20500 text records of 100 bytes.
std::string log_lleno() {
  std::string s;
  for (int i = 0; i < 20500; ++i)
    s += std::string("\x10\x00\xff", 3) + std::string(96, static_cast<char>('a' + i % 26)) + '\0';
  return s;
}

TEST_F(Log, TrimsOnlyAboveTheLimitKeepsWholeRecordsAndDropsARecordItCannotWrite) {
  const std::string lleno = log_lleno();
  // A text record with no end runs to the end of the file.
  const std::string roto =
      std::string(300, '\x07') + std::string("\x10\x00\xff", 3) + std::string(2050000, 'z');
  const std::string n = "Nivara.log", e = kEvento12;
  struct {
    plat::Fault falla;
    std::string antes, despues;
    bool sello = false;  // a new run's stamp goes first
  } casos[] = {
      {{.nth = 0}, lleno, lleno + e},  // at the limit: not trimmed
      // One byte over, and that byte a cut-short record: the first 501
      // texts go, and the rest is under 2,000,000 bytes.
      {{.nth = 0}, lleno + "\x10", lleno.substr(50100) + "\x10" + e},
      {{.nth = 0}, roto, e},  // the walk stops at the end: nothing is kept
      // On a fresh log the stamp is lost and the event goes through.
      {{.op = kOpen, .path = n}, "", e, true},
      {{.op = kSize, .path = n}, "", e, true},
      {{.op = kSeek, .path = n}, "", e, true},
      {{.op = kWrite, .path = n}, "", e, true},
      // A stamp written short (a full disk) is cut off again.
      {{.op = kWrite, .path = n, .short_io = true}, "", e, true},
      // While trimming, nothing read, the new file not made, a short write
      // or a failed rename leave the log as it was, and drop the record.
      {{.op = kRead, .path = n, .from_then_on = true}, lleno + e, lleno + e},
      {{.op = kOpen, .path = n + ".tmp"}, lleno + e, lleno + e},
      {{.op = kWrite, .path = n + ".tmp", .short_io = true}, lleno + e, lleno + e},
      {{.op = plat::Op::kRename}, lleno + e, lleno + e},
  };
  gl(1);  // this hour's stamp is written
  for (const auto& c : casos) {
    SCOPED_TRACE(&c - casos);
    if (c.sello) gl_reinicia();
    escribe_archivo(ruta(n), c.antes);
    sim->inject(c.falla);
    gl(12);
    sim->clear_faults();
    EXPECT_EQ(log(), c.despues);
  }
  // A tail too short for a record is taken as one, to the end.
  EXPECT_EQ(inicio_recorte(reinterpret_cast<const uint8_t*>("\x10\x00"), 2), 2u);
}

// Killed at any step of a trim, the log is the old one or the trimmed one,
// never cut in the middle of a record.
TEST_F(Log, KilledAtAnyStepOfATrimLeavesAWholeLog) {
  gl(1);  // this hour's stamp is written
  const std::string viejo = log_lleno() + "\x10", nuevo = viejo.substr(50100);
  int con_el_viejo = 0, con_el_nuevo = 0;
  mata_en_cada_paso(
      *sim, [&] { escribe_archivo(ruta("Nivara.log"), viejo); }, [] { gl(12); },
      [&](bool murio) {
        const std::string tras = log();
        EXPECT_TRUE(tras == viejo || tras == nuevo || tras == nuevo + kEvento12);
        EXPECT_TRUE(murio || tras == nuevo + kEvento12);
        con_el_viejo += murio && tras == viejo;
        con_el_nuevo += murio && tras != viejo;
      });
  EXPECT_GE(con_el_viejo, 3);  // write, sync, rename
  EXPECT_GE(con_el_nuevo, 2);  // the append's seek and write
}

TEST_F(Log, TrimWithoutMemoryEndsTheProgramOnce) {
  escribe_archivo(ruta("Nivara.log"), log_lleno() + kEvento12);
  sim->inject({.op = kAlloc, .from_then_on = true});
  EXPECT_EXIT(gl(12), ::testing::ExitedWithCode(0), "");
  EXPECT_EQ(diario(), "05/03/26  09:07:03 Exit: gl: 2\r\n");
  EXPECT_EQ(log().size(), 2050003u);  // nothing written, nothing trimmed
  // The journal's own failures are logged, and need the trim again: they
  // are dropped, and the program still ends.
  std::remove(ruta("Estado.txt").c_str());
  sim->inject({.op = kOpen, .path = "Estado.txt", .from_then_on = true});
  EXPECT_EXIT(gl(12), ::testing::ExitedWithCode(0), "");
  EXPECT_FALSE(existe(ruta("Estado.txt")));
}

TEST_F(Diario, TakesTextsUpTo2048AndStartsAfreshOnlyAbove30720Bytes) {
  afe(std::string(2048, 'a').c_str());
  afe(std::string(2049, 'b').c_str());
  EXPECT_EQ(diario().size(), 19u + 2048 + 2);
  EXPECT_EQ(eventos(), evs({MSJ_AFE_LARGO}));
  escribe_archivo(ruta("Estado.txt"), std::string(30720, 'x'));
  afe("uno");
  EXPECT_EQ(diario().size(), 30720u + 24);
  escribe_archivo(ruta("Estado.txt"), std::string(30721, 'x'));
  afe("dos");
  EXPECT_EQ(diario(), "05/03/26  09:07:03 dos\r\n");
}

TEST_F(Diario, ReportsEachFailureInTheLog) {
  escribe_archivo(ruta("Estado.txt"), "viejo\r\n");
  sim->inject({.op = kSeek, .path = "Estado.txt"});
  afe("a");
  sim->inject({.op = kWrite, .path = "Estado.txt"});
  afe("b");
  // A file that cannot be opened, nor made afresh, gets nothing.
  sim->inject({.op = kOpen, .path = "Estado.txt", .nth = 1, .from_then_on = true});
  afe("c");
  sim->clear_faults();
  EXPECT_EQ(diario(), "viejo\r\n");
  EXPECT_EQ(eventos(), evs({MSJ_AFE_NO_POSICIONA, MSJ_AFE_NO_GUARDA, MSJ_AFE_NO_CREA,
                            MSJ_AFE_NO_CREA, MSJ_AFE_NO_GUARDA}));
  // An unknown size counts as too large: the journal starts afresh.
  sim->inject({.op = kSize, .path = "Estado.txt"});
  afe("d");
  EXPECT_EQ(diario(), "05/03/26  09:07:03 d\r\n");
  EXPECT_EQ(eventos().size(), 5u);
}

}  // namespace
