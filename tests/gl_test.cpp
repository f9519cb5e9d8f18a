#include "foundation/gl.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>

#include "entorno.h"
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
  EXPECT_EQ(texto_de(13), "=*=*=*=*=*=*=*=*=*=*=*=*=*=*=*=*=*=");
  EXPECT_EQ(texto_de(87), "Error: lc: No se puede abrir TNQ.ini");
  EXPECT_EQ(texto_de(195), "Error: EXIT: oid: Error Timers");
  EXPECT_EQ(texto_de(0), "???");
  EXPECT_EQ(texto_de(300), "???");
  EXPECT_EQ(texto_de(65536 + 13), texto_de(13));  // the code is taken as 16 bits
  // The two runs: one text per tank and one per command state.
  for (int t = 0; t < 16; ++t) EXPECT_EQ(texto_de(142 + t), "Autclb new T" + std::to_string(t + 1));
  EXPECT_EQ(texto_de(205), "TP oc WAIT_READ");
  EXPECT_EQ(texto_de(213), "TP oc ???");
}

class Log : public Estacion {
 protected:
  std::string log() { return archivo("Nivara.log"); }
};

// 09:07 is minute 547 (0x0223).
const std::string kSello = std::string("\x23\x02\xff", 3) + "05/03/26  09:07:03" + std::string(1, '\0');
const std::string kEvento12 = std::string("\x23\x02\x0c", 3);

TEST_F(Log, RecordBytesAndTheStampAtEachRunHourAndDate) {
  gl(12);
  gl(kTextoLibre, "abc");
  EXPECT_EQ(log(), kSello + kEvento12 + std::string("\x23\x02\xff" "abc\0", 7));
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
  std::string roto = std::string(300, '\x07') + std::string("\x10\x00\xff", 3) + std::string(2050000, 'z');
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

TEST_F(Log, TrimWithoutMemoryEndsTheProgram) {
  escribe_archivo(ruta("Nivara.log"), log_de(2050010));
  sim->inject({.op = plat::Op::kAlloc, .from_then_on = true});
  EXPECT_EXIT(gl(12), ::testing::ExitedWithCode(0), "");
  EXPECT_EQ(archivo("Estado.txt"), "05/03/26  09:07:03 Exit: gl: 2\r\n");
  EXPECT_EQ(log().size(), 2050009u);  // nothing written, nothing trimmed
}

}  // namespace
