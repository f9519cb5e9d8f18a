// Stepping from one record of a sales file to the one before or after it,
// through a chunk of the open file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

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
