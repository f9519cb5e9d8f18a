// The status journal "Estado.txt": one time-stamped line per notable
// happening, readable with any text viewer.
#pragma once

#include <cstddef>
#include <cstdint>

// Appends "dd/mm/yy  hh:mm:ss <texto>" and CR LF. Starts the file afresh
// when it holds more than 30720 bytes. Failures go to the event log.
void afe(const char* texto);

// An orderly end: records `codigo` in the event log (0: none), appends
// `linea` to the journal and ends the program with status 0, giving the
// platform `linea` as the reason.
[[noreturn]] void sale(unsigned codigo, const char* linea);

constexpr size_t kDiarioTextoMaximo = 2048;
constexpr uint64_t kDiarioMaximo = 30720;
