#include "foundation/afe.h"

#include <gtest/gtest.h>

#include <string>

#include "entorno.h"
#include "foundation/gl.h"

namespace {

class Diario : public Estacion {
 protected:
  std::string diario() { return archivo("Estado.txt"); }
  std::vector<std::string> eventos() { return eventos_log(archivo("Nivara.log")); }
};

TEST_F(Diario, WritesOneStampedLineAndCreatesTheFile) {
  afe("- Nuevo Stock.");
  sim->set_time(segundos(2026, 12, 31, 23, 59, 58));
  afe("otra");
  EXPECT_EQ(diario(), "05/03/26  09:07:03 - Nuevo Stock.\r\n31/12/26  23:59:58 otra\r\n");
  EXPECT_TRUE(eventos().empty());
}

TEST_F(Diario, TakesTextsUpTo2048AndStartsAfreshOnlyAbove30720Bytes) {
  afe(std::string(2048, 'a').c_str());
  afe(std::string(2049, 'b').c_str());
  EXPECT_EQ(diario().size(), 19u + 2048 + 2);
  EXPECT_EQ(eventos(), std::vector<std::string>{"59"});
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
  EXPECT_EQ(diario(), "viejo\r\n");
  EXPECT_EQ(eventos(), (std::vector<std::string>{"188", "189"}));
  // A file that cannot be opened, nor made afresh, gets nothing.
  sim->inject({.op = plat::Op::kOpen, .path = "Estado.txt", .nth = 1, .from_then_on = true});
  afe("c");
  sim->clear_faults();
  EXPECT_EQ(diario(), "viejo\r\n");
  EXPECT_EQ(eventos(), (std::vector<std::string>{"188", "189", "187", "187", "189"}));
  // An unknown size counts as too large: the journal starts afresh.
  sim->inject({.op = plat::Op::kSize, .path = "Estado.txt"});
  afe("d");
  EXPECT_EQ(diario(), "05/03/26  09:07:03 d\r\n");
  EXPECT_EQ(eventos().size(), 5u);
}

TEST_F(Diario, AnOrderlyEndLogsJournalsAndExitsWithZero) {
  EXPECT_EXIT(sale(195, "EXIT: oid: Error Timers"), ::testing::ExitedWithCode(0), "");
  EXPECT_EQ(diario(), "05/03/26  09:07:03 EXIT: oid: Error Timers\r\n");
  EXPECT_EQ(eventos(), std::vector<std::string>{"195"});
}

}  // namespace
