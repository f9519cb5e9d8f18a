// Pieces of the event store kept aside before anything cuts them off, so
// that no byte of a record is ever thrown away without a copy.
//
// "qtrs.apt" holds the pieces one after another, oldest first, each as
//   bytes 0-6   the date it was set aside (a fecha_bcd, weekday 0)
//   byte 7      why (motivo_apartado)
//   bytes 8-11  the piece's length, little-endian
//   then the piece itself, as it stood in the store.
#pragma once

#include <cstddef>
#include <cstdint>

#include "foundation/archivo_entero.h"

constexpr const char* kArchivoApartados = "qtrs.apt";
constexpr size_t kCabeceraApartado = 12;

enum class motivo_apartado : uint8_t {
  pieza_suelta = 1,  // a trailing piece shorter than a record, before an append (afs)
  reparado = 2,      // a record of no known kind and all behind it, at the scan's repair (sus)
  convertido = 3,    // a whole store of an older structure version, before its conversion (vfs)
};

// Appends the piece to "qtrs.apt"; false, with a free text logged, when it
// cannot be kept (then the caller must not cut it).
bool aparta(const uint8_t* pieza, uint32_t largo, motivo_apartado motivo);

// The same for the store's data from file offset `desde` to its end, taken
// from the window and then window by window: it may be as big as the store.
// False too when the data cannot be read to the end.
bool aparta(ventana_archivo& v, uint64_t desde, motivo_apartado motivo);
