// Putting new contents in place of the event store without ever leaving it
// half written.
#pragma once

#include <cstdint>

#include "foundation/archivo_entero.h"

// The messages a caller reports each failure of a replacement with.
struct codigos_reemplazo {
  unsigned crear;     // the temporary file cannot be made
  unsigned escribir;  // writing, putting on disk or renaming fails
  unsigned corto;     // the write is short
};

// Writes `datos` to "qtrs.nvr.tmp", puts it on disk and renames it over the
// store, so that a failure or a crash halfway leaves the old store whole.
// Returns the new store, open for reading and writing and positioned at its
// end, or a closed one after logging the failure's code; the temporary file
// is gone then.
archivo_abierto reemplaza_sincro(const uint8_t* datos, uint32_t largo,
                                 const codigos_reemplazo& codigos);
