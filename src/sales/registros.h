// Stepping from one record of a sales file to the one before or after it,
// through a chunk of the open file, and walking the file in its layout.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "foundation/fecha_bcd.h"
#include "sales/controladores.h"

constexpr uint32_t kLargoTrozo = 4096;  // a record fits in one chunk

// Bytes of the open sales file, read at one offset. The record reader and the
// start-up scan both read records into one and step from there.
struct trozo_ventas {
  char datos[kLargoTrozo];
  uint32_t validos = 0;        // bytes read into `datos`
  int64_t desplazamiento = 0;  // file offset of datos[0]

  // The bytes from `pos` to the end of the valid ones: a record and,
  // possibly, those after it.
  std::string_view desde(uint32_t pos) const {
    return pos < validos ? std::string_view(datos + pos, validos - pos) : std::string_view();
  }
};

// Seeks to `desplazamiento` and reads up to kLargoTrozo bytes into `t`. False
// when the seek or the read fails; a read at the end of the file gives no
// valid bytes.
bool lee_trozo(int archivo, int64_t desplazamiento, trozo_ventas* t);

// The file offset of the first byte of the record before the one that starts
// at t->datos[actual] (`actual` may be t->validos, one past the chunk's
// bytes). -1 when there is none or a seek or read fails. Loads earlier
// chunks into `t` as it goes.
int64_t registro_previo(int archivo, trozo_ventas* t, uint32_t actual);

// The file offset of the first byte of the record after the one that starts
// at t->datos[actual], past its line end and any empty lines. -1 when the
// file ends first or a seek or read fails. Loads later chunks into `t`.
int64_t registro_siguiente(int archivo, trozo_ventas* t, uint32_t actual);

// A sales file open for reading, walked record by record in one controller
// layout. The chunk holds the record in hand at its start.
struct lector_ventas {
  int archivo;
  const fila_controlador* fila;
  trozo_ventas trozo;

  // Reads the record that starts at `pos` and parses its date (weekday 0).
  // False when the read fails or the date does not parse.
  bool lee(int64_t pos, fecha_bcd* fecha);
  // The record in hand, and what follows it in the chunk.
  std::string_view registro() const { return trozo.desde(0); }
  // The start of the record next to the one in hand towards the newest end
  // (the file's end for order 1, its start for order 0), or away from it;
  // -1 when there is none.
  int64_t hacia_nuevo();
  int64_t hacia_viejo();
  // Whether the first line of the file's first chunk has the layout's field
  // count. A chunk that cannot be read counts as empty; a first line with no
  // end within the chunk is counted up to the chunk's end.
  bool formato_correcto();
  // The start of the last record of a file of `tamano` bytes, or -1.
  int64_t ultimo(uint64_t tamano);
};
