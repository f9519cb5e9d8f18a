// "store": the event store qtrs.nvr as readable lines or as CSV.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace admin {

struct opciones_sincro {
  std::string ruta = "qtrs.nvr";
  int tanque = 0;  // tank number from 1; 0: every record
  char tipo = 0;   // 'S', 'V', 'A' or 'N'; 0: every kind
  int desde = -1;  // yymmdd, whole days; -1: open
  int hasta = -1;
  bool csv = false;
};

// Reads `--tank N`, `--kind K`, `--from dd/mm/yy`, `--to dd/mm/yy`, `--csv`
// and a path; false on anything else, with what was wrong in `*error`.
bool lee_opciones_sincro(const std::vector<std::string>& args, opciones_sincro& o,
                         std::string* error = nullptr);

// Whether the 21-byte record passes the filters. Only snapshots and sales
// have a tank, so `--tank` leaves the other kinds out.
bool pasa_filtro(const uint8_t* registro, const opciones_sincro& o);

// One record as a line (no newline), or as a CSV row.
std::string linea_suceso(const uint8_t* registro);
std::string fila_csv(const uint8_t* registro);
extern const char* const kCabeceraCsv;

// Prints the records that pass; 1 when the file cannot be read or ends with
// a piece of a record (reported on `errores` with its offset).
int imprime_sincro(const opciones_sincro& o, std::ostream& salida, std::ostream& errores);

}  // namespace admin
