// Keeping pieces of the store aside; see apartado.h.
#include "eventstore/apartado.h"

#include <cstring>

#include "foundation/archivo_entero.h"
#include "foundation/bytes.h"
#include "foundation/fecha_bcd.h"
#include "foundation/gl.h"
#include "foundation/resumen.h"
#include "platform/platform.h"

namespace {

// One piece going into "qtrs.apt": its header first, then its bytes in as
// many parts as they come in. A piece not kept whole is cut off again, so
// that the file still reads piece by piece.
class apartado {
 public:
  apartado(uint64_t largo, motivo_apartado motivo) : motivo_(motivo), largo_(largo) {
    uint8_t cabecera[kCabeceraApartado];
    fecha_bcd ahora{};
    fecha_actual(&ahora);
    ahora.dia_semana = 0;
    std::memcpy(cabecera, &ahora, sizeof ahora);
    cabecera[7] = static_cast<uint8_t>(motivo);
    escribe_u32_le(cabecera + 8, static_cast<uint32_t>(largo));
    archivo_ = archivo_abierto::abre(kArchivoApartados, plat::kReadWrite, plat::Share::kNone,
                                     plat::Creation::kOpenAlways);
    posicionado_ = largo <= UINT32_MAX && archivo_.abierto() &&
                   plat::current().seek(archivo_.descriptor(), 0, plat::Origin::kEnd, &inicio_);
    ok_ = posicionado_;
    agrega(cabecera, kCabeceraApartado);
    puestos_ = 0;
  }

  bool agrega(const uint8_t* parte, size_t n) {
    uint32_t escritos = 0;
    ok_ =
        ok_ &&
        plat::current().write(archivo_.descriptor(), parte, static_cast<uint32_t>(n), &escritos) &&
        escritos == n;
    puestos_ += n;
    return ok_;
  }

  // Puts the piece on disk; false, with the free text logged, when it is
  // not kept whole.
  bool termina() {
    plat::Platform& p = plat::current();
    if (ok_ && puestos_ == largo_ && p.sync(archivo_.descriptor())) return true;
    // The operation that keeps the piece, as the log's texts name it.
    const char* operacion = motivo_ == motivo_apartado::reparado     ? "sus"
                            : motivo_ == motivo_apartado::convertido ? "vfs"
                                                                     : "afs";
    const int error = p.last_error();
    if (posicionado_ &&
        p.seek(archivo_.descriptor(), static_cast<int64_t>(inicio_), plat::Origin::kBegin)) {
      p.set_end(archivo_.descriptor());
    }
    gl(kTextoLibre,
       formatea("Error: %s: no se puede apartar en %s %d", operacion, kArchivoApartados, error)
           .c_str());
    return false;
  }

 private:
  const motivo_apartado motivo_;
  const uint64_t largo_;
  archivo_abierto archivo_;
  uint64_t inicio_ = 0;  // where the piece starts in the file
  uint64_t puestos_ = 0;
  bool posicionado_ = false;
  bool ok_ = false;
};

}  // namespace

bool aparta(const uint8_t* pieza, uint32_t largo, motivo_apartado motivo) {
  apartado a(largo, motivo);
  a.agrega(pieza, largo);
  return a.termina();
}

bool aparta(ventana_archivo& v, uint64_t desde, motivo_apartado motivo) {
  apartado a(v.fin_datos() - desde, motivo);
  const auto en = static_cast<size_t>(desde - v.desplazamiento());
  bool ok = a.agrega(v.datos() + en, v.largo() - en);
  while (ok && v.sigue(v.largo())) ok = a.agrega(v.datos(), v.largo());
  return a.termina();
}
