// Putting new contents in place of a file without ever leaving it half
// written: a temporary file beside it, written, put on disk and renamed
// over it. Killed at any moment, the file is the old one or the new one.
#pragma once

#include <cstdint>

#include "foundation/archivo_entero.h"

// The messages a caller reports each failure of a replacement with; 0
// (MSJ_NINGUNO) reports nothing, as the log's own replacement must.
struct codigos_reemplazo {
  unsigned crear;     // the temporary file cannot be made
  unsigned escribir;  // writing, putting on disk or renaming fails
  unsigned corto;     // the write is short
};

// Writes `datos` to `ruta` and ".tmp", puts it on disk and renames it over
// `ruta`. Returns the new file, open for reading and writing and positioned
// at its end, or a closed one after logging the failure's code; the
// temporary file is gone then.
// `*fallo`, when given, is set to the failure's code, or left alone.
archivo_abierto reemplaza_abierto(const char* ruta, const void* datos, uint32_t largo,
                                  const codigos_reemplazo& codigos, unsigned* fallo = nullptr);

// The same, the new file closed again; false when it failed.
bool reemplaza_archivo(const char* ruta, const void* datos, uint32_t largo,
                       const codigos_reemplazo& codigos, unsigned* fallo = nullptr);
