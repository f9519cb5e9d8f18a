// The message catalogue, the binary event log and the status journal.
#include "foundation/gl.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>

#include "entorno.h"
#include "foundation/afe.h"
#include "foundation/catalogo.h"

namespace {

std::string texto_de(unsigned codigo) {
  char t[128];
  texto_mensaje(codigo, t);
  return t;
}

TEST(Catalogo, HoldsCodes1To213InOrderAndLooksThemUp) {
  int n = 0;
  for (const fila_mensaje* f = tabla_mensajes; f->codigo != 0; ++f) {
    EXPECT_EQ(f->codigo, ++n);
    EXPECT_LT(std::strlen(f->texto), 128u);
  }
  EXPECT_EQ(n, 213);
  EXPECT_EQ(texto_de(0), "???");
  EXPECT_EQ(texto_de(300), "???");
  EXPECT_EQ(texto_de(65536 + MSJ_TP_OC_WAIT_READ), "TP oc WAIT_READ");  // taken as 16 bits
  // The two runs: one text per tank and one per command state.
  for (int t = 0; t < 16; ++t) {
    EXPECT_EQ(texto_de(MSJ_AUTCLB_NUEVA_T1 + t), "Autclb new T" + std::to_string(t + 1));
  }
  EXPECT_EQ(texto_de(MSJ_TP_OC_DESCONOCIDO), "TP oc ???");
}

class Log : public Estacion {
 protected:
  std::string log() { return archivo("Nivara.log"); }
};

// 09:07 is minute 547 (0x0223).
const std::string kSello =
    std::string("\x23\x02\xff", 3) + "05/03/26  09:07:03" + std::string(1, '\0');
const std::string kEvento12 = std::string("\x23\x02\x0c", 3);

TEST_F(Log, RecordBytesAndTheStampAtEachRunHourAndDate) {
  gl(12);
  gl(kTextoLibre, "abc");
  EXPECT_EQ(log(), kSello + kEvento12 +
                       std::string("\x23\x02\xff"
                                   "abc\0",
                                   7));
  gl_reinicia();  // a new run stamps again even within the same hour
  gl(256 + 12);   // only the low byte of the code is kept
  gl(256 + 255, "texto");
  gl(kTextoLibre, std::string(600, 'x').c_str());
  sim->set_time(segundos(2026, 3, 5, 9, 59, 59));
  gl(2);
  sim->set_time(segundos(2026, 3, 5, 10, 0, 0));
  gl(3);
  sim->set_time(segundos(2026, 3, 6, 10, 0, 0));  // same hour, next day
  gl(4);
  auto r = registros_log(log());
  ASSERT_EQ(r.size(), 12u);
  EXPECT_EQ(r[3].texto, "05/03/26  09:07:03");
  EXPECT_EQ(r[4].codigo, 12);
  EXPECT_EQ(r[5].texto, "texto");
  EXPECT_EQ(r[6].texto, std::string(kLogTextoMaximo, 'x'));
  EXPECT_EQ(r[7].codigo, 2);
  EXPECT_EQ(r[7].minuto, 9 * 60 + 59);
  EXPECT_EQ(r[8].texto, "05/03/26  10:00:00");
  EXPECT_EQ(r[10].texto, "06/03/26  10:00:00");
  EXPECT_EQ(r[11].codigo, 4);
}

// A log of `n` bytes made of text records of 100 bytes and event records.
std::string log_de(size_t n) {
  std::string s;
  while (s.size() + 100 <= n) {
    s += std::string("\x10\x00\xff", 3) + std::string(96, 'a' + static_cast<char>(s.size() % 26)) +
         std::string(1, '\0');
  }
  while (s.size() + 3 <= n) s += std::string("\x10\x00\x07", 3);
  return s;
}

TEST_F(Log, TrimsOnlyAboveTheLimitAndKeepsWholeRecords) {
  gl(1);  // this hour's stamp is written
  const std::string lleno = log_de(2050000);
  escribe_archivo(ruta("Nivara.log"), lleno);
  gl(12);
  EXPECT_EQ(log(), lleno + kEvento12);  // not trimmed

  // One byte over, and that byte a cut-short record: the walk must cope.
  const std::string original = lleno + "\x10";
  escribe_archivo(ruta("Nivara.log"), original);
  gl(12);
  std::string despues = log();
  ASSERT_GT(despues.size(), 3u);
  size_t cola = despues.size() - 3;
  EXPECT_LT(cola, kLogCola);
  // The kept part is the original's tail from a record boundary.
  EXPECT_EQ(original.substr(original.size() - cola) + kEvento12, despues);
  const auto* p = reinterpret_cast<const uint8_t*>(original.data());
  size_t pos = 0;
  while (pos < original.size() - cola) pos += largo_registro(p + pos, original.size() - pos);
  EXPECT_EQ(pos, original.size() - cola);
}

TEST_F(Log, TrimWalkStopsAtTheEndOfADamagedLog) {
  // A text record with no end runs to the end of the file.
  std::string roto =
      std::string(300, '\x07') + std::string("\x10\x00\xff", 3) + std::string(2050000, 'z');
  const auto* p = reinterpret_cast<const uint8_t*>(roto.data());
  EXPECT_EQ(inicio_recorte(p, roto.size()), roto.size());
  EXPECT_EQ(inicio_recorte(p, 2), 2u);
  escribe_archivo(ruta("Nivara.log"), roto);
  gl(12);
  EXPECT_EQ(log(), kSello + kEvento12);  // nothing of the old log kept
}

TEST_F(Log, FileFailuresDropTheRecordButNotTheProgram) {
  // The first four on a fresh log: the stamp is lost, the event goes through.
  // The rest while trimming: nothing read or the new file not made leaves the
  // log as it was; a short write leaves a shorter log.
  const std::string lleno = log_de(2050000) + kEvento12;
  const plat::Fault fallas[] = {
      {.op = plat::Op::kOpen, .path = "Nivara.log"},
      {.op = plat::Op::kSize, .path = "Nivara.log"},
      {.op = plat::Op::kSeek, .path = "Nivara.log"},
      {.op = plat::Op::kWrite, .path = "Nivara.log"},
      {.op = plat::Op::kRead, .path = "Nivara.log", .from_then_on = true},
      {.op = plat::Op::kOpen, .path = "Nivara.log", .nth = 2, .from_then_on = true},
      {.op = plat::Op::kWrite, .path = "Nivara.log", .short_io = true}};
  for (size_t i = 0; i < std::size(fallas); ++i) {
    sim->clear_faults();
    gl_reinicia();
    escribe_archivo(ruta("Nivara.log"), i < 4 ? "" : lleno);
    sim->inject(fallas[i]);
    gl(12);
    if (i == 6) {
      EXPECT_LT(log().size(), kLogCola);
    } else {
      EXPECT_EQ(log(), i < 4 ? kEvento12 : lleno) << i;
    }
  }
}

TEST_F(Log, TrimWithoutMemoryEndsTheProgramOnce) {
  escribe_archivo(ruta("Nivara.log"), log_de(2050010));
  sim->inject({.op = plat::Op::kAlloc, .from_then_on = true});
  EXPECT_EXIT(gl(12), ::testing::ExitedWithCode(0), "");
  EXPECT_EQ(archivo("Estado.txt"), "05/03/26  09:07:03 Exit: gl: 2\r\n");
  EXPECT_EQ(log().size(), 2050009u);  // nothing written, nothing trimmed
  // The journal's own failures are logged, and need the trim again: they
  // are dropped, and the program still ends.
  std::remove(ruta("Estado.txt").c_str());
  sim->inject({.op = plat::Op::kOpen, .path = "Estado.txt", .from_then_on = true});
  EXPECT_EXIT(gl(12), ::testing::ExitedWithCode(0), "");
  EXPECT_FALSE(existe(ruta("Estado.txt")));
}

class Diario : public Estacion {
 protected:
  std::string diario() { return archivo("Estado.txt"); }
};

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
  sim->inject({.op = plat::Op::kSeek, .path = "Estado.txt"});
  afe("a");
  sim->inject({.op = plat::Op::kWrite, .path = "Estado.txt"});
  afe("b");
  // A file that cannot be opened, nor made afresh, gets nothing.
  sim->inject({.op = plat::Op::kOpen, .path = "Estado.txt", .nth = 1, .from_then_on = true});
  afe("c");
  sim->clear_faults();
  EXPECT_EQ(diario(), "viejo\r\n");
  EXPECT_EQ(eventos(), evs({MSJ_AFE_NO_POSICIONA, MSJ_AFE_NO_GUARDA, MSJ_AFE_NO_CREA,
                            MSJ_AFE_NO_CREA, MSJ_AFE_NO_GUARDA}));
  // An unknown size counts as too large: the journal starts afresh.
  sim->inject({.op = plat::Op::kSize, .path = "Estado.txt"});
  afe("d");
  EXPECT_EQ(diario(), "05/03/26  09:07:03 d\r\n");
  EXPECT_EQ(eventos().size(), 5u);
}

}  // namespace
