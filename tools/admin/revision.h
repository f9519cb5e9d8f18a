// "store check": what is wrong with an event store, and a repaired copy.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace admin {

// One thing wrong, at a byte offset of the store.
struct hallazgo {
  enum clase : uint8_t {
    version,      // a whole record whose version byte is not the current one
    desconocido,  // a record of no known kind between records in step
    desfasado,    // bytes that are no records in step, up to the next ones that are
    cola,         // a piece shorter than a record at the end
    fecha_mala,   // a record whose date does not exist
    retroceso,    // a sale, or a tank's snapshot, older than the one before it
  };
  clase tipo;
  size_t offset;
  size_t largo;  // bytes it covers
  uint8_t byte;  // the version byte or the kind found
};

struct revision_sincro {
  uint8_t version_antigua = 0;  // 1..4: a store of an older structure, left to the service
  size_t registros = 0;         // whole records in the repaired store
  std::vector<hallazgo> hallazgos;
  // Whether the repair would change the store (dates are only reported).
  bool reparable() const;
};

// Walks the store: records in step are those of a known kind with the
// current version byte. A single record out of step between records in step
// is mended in `reparado` (its version byte set, or turned into a null event
// of its own date when its kind is unknown); longer stretches and a trailing
// piece are left out of it.
revision_sincro revisa_sincro(const uint8_t* datos, size_t largo, std::vector<uint8_t>* reparado);

// Whether the bytes can be read as a store of the current version: empty,
// or its first records (up to three) in step and the first one's date a real
// one. Otherwise `*motivo` says what it is not.
bool es_sincro(const uint8_t* datos, size_t largo, std::string* motivo);

// The command: prints what is wrong with the store at `ruta`; 0 when nothing
// is, 1 otherwise. With `reparar` it keeps the store's bytes in a copy
// beside it (named on `salida`) and replaces the store with the repaired
// one; 0 when that is done or there is nothing to repair.
int comprueba_sincro(const std::string& ruta, bool reparar, std::ostream& salida,
                     std::ostream& errores);

}  // namespace admin
