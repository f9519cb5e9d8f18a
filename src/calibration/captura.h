// The capture's walk over the store, apart from its file: for the station's
// call and for checking one way of walking against the other.
#pragma once

#include <cstdint>

#include "foundation/archivo_entero.h"

class CNivaraDlg;

// How the walk goes over the store: every record, attempt after attempt from
// each record on; or only the tank's records and the breaks, with the
// attempts that would repeat themselves made once. Both come to the same
// texts, marks and tables.
enum class recorrido { literal, indexado };

struct fin_captura {
  bool resultado = false;  // a captured point was applied
  int64_t marca = -1;      // the record to mark; -1: none
};

// The walk for tank `tanque` over `n` records of 21 bytes, from its mark on:
// the texts logged, the points applied to `d`'s working table, its capture
// counter; the mark is left to the caller to write.
fin_captura recorre_captura(CNivaraDlg& d, int tanque, const uint8_t* datos, int64_t n,
                            recorrido modo);
// The same over the store read through a window (reserved, or filled with
// the whole store), which is read again wherever the walk goes.
fin_captura recorre_captura(CNivaraDlg& d, int tanque, ventana_archivo& v, recorrido modo);
