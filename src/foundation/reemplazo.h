// Putting new contents in place of a file without ever leaving it half
// written: a temporary file beside it, written, put on disk and renamed
// over it. Killed at any moment, the file is the old one or the new one.
#pragma once

#include <cstdint>
#include <string>

#include "foundation/archivo_entero.h"

// The messages a caller reports each failure of a replacement with; 0
// (MSJ_NINGUNO) reports nothing, as the log's own replacement must.
struct codigos_reemplazo {
  unsigned crear;     // the temporary file cannot be made
  unsigned escribir;  // writing, putting on disk or renaming fails
  unsigned corto;     // the write is short
};

// A replacement written in pieces, for new contents too big to hold at once:
// the temporary file is made first, each piece is added in turn, and
// `termina` puts it on disk and renames it. A failure is reported as the
// whole replacement's would be; one left unfinished (a failed piece, or a
// caller that gives up) removes the temporary file and leaves the old one.
class reemplazo_en_partes {
 public:
  reemplazo_en_partes(const char* ruta, const codigos_reemplazo& codigos,
                      unsigned* fallo = nullptr);
  ~reemplazo_en_partes() { abandona(); }
  reemplazo_en_partes(const reemplazo_en_partes&) = delete;
  reemplazo_en_partes& operator=(const reemplazo_en_partes&) = delete;

  bool abierto() const { return nuevo_.abierto(); }
  bool escribe(const void* datos, uint32_t largo);
  // The new file, open for reading and writing and positioned at its end;
  // a closed one after a failure.
  archivo_abierto termina();
  void abandona();

 private:
  bool falla(unsigned codigo);

  std::string ruta_, temporal_;
  codigos_reemplazo codigos_;
  unsigned* fallo_;
  archivo_abierto nuevo_;
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
