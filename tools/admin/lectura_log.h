// Nivara.log as readable lines: the decoding of a byte buffer, with no files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace admin {

// A record's minute of the day is below this; one that is not is damage.
constexpr unsigned kMinutosDia = 1440;

// What carries over from one record to the next: the date of the latest
// time stamp.
struct estado_log {
  std::string fecha = "--/--/--";
};

enum class fin_log {
  kCompleto,    // every byte decoded
  kIncompleto,  // the last record is not all there yet (a growing log)
  kDanado,      // a record that can never be right
};

// One record as decoded, for tools that look for events rather than print.
struct registro_log {
  std::string fecha;    // dd/mm/yy of the latest stamp, or "--/--/--"
  unsigned minuto = 0;  // of the day; a stamp's own time is in its text
  int codigo = 0;       // the catalogue code; kCodigoTexto or kCodigoSello
  std::string texto;    // the catalogue's text or the free text, as written
};
constexpr int kCodigoTexto = -1;
constexpr int kCodigoSello = -2;

struct lectura_log {
  std::vector<std::string> lineas;
  std::vector<registro_log> registros;  // one per line
  size_t leidos = 0;                    // bytes of the whole records decoded
  fin_log fin = fin_log::kCompleto;
  std::string motivo;  // why decoding stopped at `leidos`, unless complete
};

// The text with bytes a terminal would act on, or show as it pleases,
// written as \xNN.
std::string texto_legible(std::string_view s);

// True for a time-stamp text: exactly "dd/mm/yy  hh:mm:ss".
bool es_sello(std::string_view texto);

// Decodes the records of `datos` from its start, one line each:
//   "05/12/26 16:39  [  13] =*=*=..."  a catalogue event
//   "05/12/26 16:39  [text] ..."       a free text
//   "======== 05/12/26  16:39:33 ========"  a time stamp
// The date comes from the latest stamp (in `estado`, updated), the time of
// day from the record's own minute.
lectura_log decodifica_log(const uint8_t* datos, size_t largo, estado_log& estado);

}  // namespace admin
