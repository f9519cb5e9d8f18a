#include "foundation/gl.h"

#include <gtest/gtest.h>
#include <sys/file.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "entorno.h"
#include "foundation/catalogo.h"

namespace {

std::string texto_de(unsigned codigo) {
  char t[128];
  texto_mensaje(codigo, t);
  return t;
}

TEST(Catalogo, HoldsCodes1To213InOrderEndedByZero) {
  int n = 0;
  for (const fila_mensaje* f = tabla_mensajes; f->codigo != 0; ++f) {
    EXPECT_EQ(f->codigo, n + 1);
    EXPECT_LT(std::strlen(f->texto), 128u);
    ++n;
  }
  EXPECT_EQ(n, 213);
}

TEST(Catalogo, LooksUpTextsAndAnswersUnknownCodes) {
  EXPECT_EQ(texto_de(13), "=*=*=*=*=*=*=*=*=*=*=*=*=*=*=*=*=*=");
  EXPECT_EQ(texto_de(87), "Error: lc: No se puede abrir TNQ.ini");
  EXPECT_EQ(texto_de(195), "Error: EXIT: oid: Error Timers");
  EXPECT_EQ(texto_de(0), "???");
  EXPECT_EQ(texto_de(300), "???");
  EXPECT_EQ(texto_de(65536 + 13), texto_de(13));  // the code is taken as 16 bits
  // The two runs: one text per tank and one per command state.
  for (int t = 0; t < 16; ++t) EXPECT_EQ(texto_de(142 + t), "Autclb new T" + std::to_string(t + 1));
  EXPECT_EQ(texto_de(205), "TP oc WAIT_READ");
  EXPECT_EQ(texto_de(211), "TP oc WAIT_CONNECT");
  EXPECT_EQ(texto_de(213), "TP oc ???");
}

class Log : public Estacion {
 protected:
  std::string log() { return archivo("Nivara.log"); }
};

// 09:07 is minute 547 (0x0223).
const std::string kSello = std::string("\x23\x02\xff", 3) + "05/03/26  09:07:03" + std::string(1, '\0');

TEST_F(Log, FirstEventOfARunIsPrecededByATimeStamp) {
  gl(12);
  EXPECT_EQ(log(), kSello + std::string("\x23\x02\x0c", 3));
  gl(kTextoLibre, "abc");
  EXPECT_EQ(log(), kSello + std::string("\x23\x02\x0c", 3) + std::string("\x23\x02\xff" "abc\0", 7));
  // A new run stamps again even within the same hour.
  gl_reinicia();
  gl(12);
  EXPECT_EQ(log().size(), 22u + 3 + 7 + 22 + 3);
}

TEST_F(Log, StampsAgainWhenTheHourOrTheDateChanges) {
  gl(1);
  sim->set_time(segundos(2026, 3, 5, 9, 59, 59));
  gl(2);
  sim->set_time(segundos(2026, 3, 5, 10, 0, 0));
  gl(3);
  sim->set_time(segundos(2026, 3, 6, 10, 0, 0));  // same hour, next day
  gl(4);
  auto r = registros_log(log());
  ASSERT_EQ(r.size(), 7u);
  EXPECT_EQ(r[0].texto, "05/03/26  09:07:03");
  EXPECT_EQ(r[2].codigo, 2);
  EXPECT_EQ(r[2].minuto, 9 * 60 + 59);
  EXPECT_EQ(r[3].texto, "05/03/26  10:00:00");
  EXPECT_EQ(r[5].texto, "06/03/26  10:00:00");
  EXPECT_EQ(r[6].codigo, 4);
}

TEST_F(Log, KeepsOnlyTheLowByteOfTheCodeAndCutsLongTexts) {
  gl(256 + 12);
  gl(256 + 255, "texto");
  gl(kTextoLibre, std::string(600, 'x').c_str());
  auto r = registros_log(log());
  ASSERT_EQ(r.size(), 4u);
  EXPECT_EQ(r[1].codigo, 12);
  EXPECT_EQ(r[2].texto, "texto");
  EXPECT_EQ(r[3].texto, std::string(kLogTextoMaximo, 'x'));
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
  std::string lleno = log_de(2050000);
  ASSERT_EQ(lleno.size(), 2050000u);
  escribe_archivo(ruta("Nivara.log"), lleno);
  gl(12);
  EXPECT_EQ(log().size(), 2050000u + 3);  // not trimmed

  // One byte over, and that byte a cut-short record: the walk must cope.
  escribe_archivo(ruta("Nivara.log"), log_de(2050000) + "\x10");
  gl(12);
  std::string despues = log();
  ASSERT_GT(despues.size(), 3u);
  size_t cola = despues.size() - 3;
  EXPECT_LT(cola, kLogCola);
  EXPECT_EQ(despues.substr(cola), std::string("\x23\x02\x0c", 3));
  // The kept part is the original's tail from a record boundary.
  std::string original = log_de(2050000) + "\x10";
  EXPECT_EQ(original.substr(original.size() - cola), despues.substr(0, cola));
  size_t corte = original.size() - cola;
  const auto* p = reinterpret_cast<const uint8_t*>(original.data());
  size_t pos = 0;
  while (pos < corte) pos += largo_registro(p + pos, original.size() - pos);
  EXPECT_EQ(pos, corte);
}

TEST_F(Log, TrimWalkStopsAtTheEndOfADamagedLog) {
  // A text record with no end runs to the end of the file.
  std::string roto = std::string(300, '\x07');
  for (size_t i = 0; i < roto.size(); i += 3) roto[i + 2] = 0x07;
  roto += std::string("\x10\x00\xff", 3) + std::string(2050000, 'z');
  const auto* p = reinterpret_cast<const uint8_t*>(roto.data());
  EXPECT_EQ(inicio_recorte(p, roto.size()), roto.size());
  EXPECT_EQ(inicio_recorte(p, 2), 2u);
  escribe_archivo(ruta("Nivara.log"), roto);
  gl(12);
  EXPECT_EQ(log(), kSello + std::string("\x23\x02\x0c", 3));  // nothing of the old log kept
}

TEST_F(Log, DropsRecordsSilentlyWhenTheFileFails) {
  const plat::Op fallas[] = {plat::Op::kOpen, plat::Op::kSize, plat::Op::kSeek, plat::Op::kWrite};
  for (plat::Op op : fallas) {
    sim->clear_faults();
    std::remove(ruta("Nivara.log").c_str());
    gl_reinicia();
    sim->inject({.op = op, .path = "Nivara.log", .nth = 1});
    gl(12);  // the stamp is lost, the event goes through
    EXPECT_EQ(log(), std::string("\x23\x02\x0c", 3)) << static_cast<int>(op);
  }
  // Another program holding the log loses records, nothing else happens.
  int otro = ::open(ruta("Nivara.log").c_str(), O_RDWR);
  ASSERT_EQ(::flock(otro, LOCK_EX), 0);
  gl(13);
  ::close(otro);
  EXPECT_EQ(log(), std::string("\x23\x02\x0c", 3));
}

TEST_F(Log, TrimFailuresLoseTheRecordButNotTheProgram) {
  const std::string lleno = log_de(2050000) + std::string("\x10\x00\x07", 3);
  // Nothing read: the log stays as it was.
  escribe_archivo(ruta("Nivara.log"), lleno);
  sim->inject({.op = plat::Op::kRead, .path = "Nivara.log", .from_then_on = true});
  gl(12);
  EXPECT_EQ(log(), lleno);
  // The new file cannot be made: the old one is untouched.
  gl_reinicia();
  sim->clear_faults();
  sim->inject({.op = plat::Op::kOpen, .path = "Nivara.log", .nth = 2, .from_then_on = true});
  gl(12);
  EXPECT_EQ(log(), lleno);
  // A short write leaves a shorter log and drops the record.
  gl_reinicia();
  sim->clear_faults();
  escribe_archivo(ruta("Nivara.log"), lleno);
  sim->inject({.op = plat::Op::kWrite, .path = "Nivara.log", .nth = 1, .short_io = true});
  gl(12);
  EXPECT_LT(log().size(), kLogCola);
}

TEST_F(Log, TrimWithoutMemoryEndsTheProgram) {
  escribe_archivo(ruta("Nivara.log"), log_de(2050010));
  sim->inject({.op = plat::Op::kAlloc, .from_then_on = true});
  EXPECT_EXIT(gl(12), ::testing::ExitedWithCode(0), "");
  std::string diario = archivo("Estado.txt");
  EXPECT_EQ(diario, "05/03/26  09:07:03 Exit: gl: 2\r\n");
  EXPECT_EQ(log().size(), 2050009u);  // nothing written, nothing trimmed
}

}  // namespace
