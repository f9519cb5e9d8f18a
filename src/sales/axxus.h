// SVS AXXUS's sales file: fixed 28-byte binary records, which the station
// turns into text lines of the SVS AXXUS layout in "my_axxus.txt" before
// reading them like any other controller's file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

constexpr size_t kLargoRegistroAxxus = 28;
constexpr const char* kArchivoAxxus = "my_axxus.txt";

// Where each field lies in a record (little-endian).
namespace campo_axxus {
constexpr size_t kFecha = 0;      // double: DMMYY.hhmmss or DDMMYY.hhmmss
constexpr size_t kPico = 8;       // single real
constexpr size_t kSurtidor = 12;  // single real; 16..19 are not read
constexpr size_t kLitros = 20;    // single real
constexpr size_t kSigno = 24;     // single real, non-zero: a return
}  // namespace campo_axxus

// The text line of one record as its five fields, the last ending in CR LF:
// "2022-09-29 10:30:45;" "5;" "2;" "25.400000;" "0\r\n". The fields are
// written one by one, so a failed write leaves whole fields behind.
struct linea_axxus {
  std::string campos[5];
};
// False, with no line, for a record whose date has fewer than five digits
// before its point: no day, month and year can be split from it. Such a
// record (zero-filled or damaged) is no sale the station could place in
// time, and a line with a made-up date could pass for a new sale; it is
// left out without a message, since it would repeat at every run.
bool convierte_axxus(const uint8_t registro[kLargoRegistroAxxus], linea_axxus* linea);
