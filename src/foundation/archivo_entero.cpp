// Reading files whole or through a window; see archivo_entero.h.
#include "foundation/archivo_entero.h"

#include <algorithm>
#include <cstring>

#include "foundation/afe.h"
#include "foundation/gl.h"

archivo_abierto& archivo_abierto::operator=(archivo_abierto&& otro) noexcept {
  if (this != &otro) {
    cierra();
    descriptor_ = otro.suelta();
  }
  return *this;
}

archivo_abierto archivo_abierto::abre(const char* ruta, unsigned acceso, plat::Share compartir,
                                      plat::Creation creacion) {
  return archivo_abierto(plat::current().open(ruta, acceso, compartir, creacion));
}

void archivo_abierto::cierra() {
  if (abierto()) plat::current().close(suelta());
}

int archivo_abierto::suelta() {
  const int d = descriptor_;
  descriptor_ = plat::kInvalidFile;
  return d;
}

memoria_plataforma& memoria_plataforma::operator=(memoria_plataforma&& otra) noexcept {
  if (this != &otra) {
    libera();
    datos_ = otra.datos_;
    otra.datos_ = nullptr;
  }
  return *this;
}

bool memoria_plataforma::toma(size_t bytes) {
  libera();
  datos_ = static_cast<uint8_t*>(plat::current().alloc(bytes));
  return datos_ != nullptr;
}

void memoria_plataforma::libera() {
  if (datos_ != nullptr) plat::current().free(datos_);
  datos_ = nullptr;
}

namespace {

bool falla(estado_copia& estado, unsigned& codigo, estado_copia cual, unsigned mensaje) {
  estado = cual;
  codigo = mensaje;
  if (mensaje != 0) gl(mensaje);
  return false;
}

bool falla(copia_archivo& copia, estado_copia estado, unsigned codigo) {
  return falla(copia.estado, copia.codigo, estado, codigo);
}

// The size of the open file and memory for `bytes` of it; a lack of memory
// ends the program where the rules say so.
bool toma_memoria(archivo_abierto& archivo, const reglas_lectura& reglas, uint64_t* tamano,
                  memoria_plataforma& memoria, estado_copia& estado, unsigned& codigo,
                  uint64_t tope) {
  if (!plat::current().size(archivo.descriptor(), tamano)) {
    return falla(estado, codigo, estado_copia::sin_tamano, reglas.tamano);
  }
  if (!memoria.toma(static_cast<size_t>(std::min(*tamano, tope)))) {
    if (reglas.salida != nullptr) {
      archivo.cierra();
      sale(reglas.memoria, reglas.salida);
    }
    return falla(estado, codigo, estado_copia::sin_memoria, reglas.memoria);
  }
  estado = estado_copia::leida;
  return true;
}

// Reads up to `n` bytes into `destino`; whether they are enough for the
// rule, and how many came in (0 after a failed read).
bool lee_bastante(int descriptor, uint8_t* destino, uint32_t n, minimo_lectura minimo,
                  uint32_t* leidos) {
  *leidos = 0;
  const bool ok = plat::current().read(descriptor, destino, n, leidos);
  if (!ok) *leidos = 0;
  switch (minimo) {
    case minimo_lectura::todo: return ok && *leidos == n;
    case minimo_lectura::algo: return ok && *leidos > 0;
    case minimo_lectura::nada: return true;
  }
  return true;
}

}  // namespace

copia_archivo lee_entero(archivo_abierto& archivo, const reglas_lectura& reglas) {
  copia_archivo copia;
  if (!toma_memoria(archivo, reglas, &copia.tamano, copia.memoria, copia.estado, copia.codigo,
                    UINT64_MAX)) {
    return copia;
  }
  // One read brings in at most 4 GiB - 1; a copy that must be whole fails
  // before reading when the file is bigger.
  if (copia.tamano > UINT32_MAX && reglas.minimo == minimo_lectura::todo) {
    falla(copia, estado_copia::no_leida, reglas.lectura);
    return copia;
  }
  const auto n = static_cast<uint32_t>(std::min<uint64_t>(copia.tamano, UINT32_MAX));
  if (!lee_bastante(archivo.descriptor(), copia.datos(), n, reglas.minimo, &copia.largo)) {
    copia.largo = 0;
    falla(copia, estado_copia::no_leida, reglas.lectura);
  }
  return copia;
}

copia_archivo lee_archivo_entero(const char* ruta, plat::Share compartir,
                                 const reglas_lectura& reglas) {
  archivo_abierto archivo =
      archivo_abierto::abre(ruta, plat::kRead, compartir, plat::Creation::kOpenExisting);
  if (!archivo.abierto()) {
    copia_archivo copia;
    copia.error = plat::current().last_error();
    falla(copia, estado_copia::no_abre, reglas.abrir);
    return copia;
  }
  return lee_entero(archivo, reglas);
}

ventana_archivo::ventana_archivo(const uint8_t* datos, size_t largo)
    : datos_(datos), capacidad_(largo), largo_(largo), leido_(largo), tamano_(largo) {
  estado = estado_copia::leida;
}

bool ventana_archivo::reserva(archivo_abierto& archivo, const reglas_lectura& reglas,
                              uint32_t capacidad) {
  descriptor_ = archivo.descriptor();
  reglas_ = reglas;
  if (!toma_memoria(archivo, reglas, &tamano_, memoria_, estado, codigo, capacidad)) return false;
  datos_ = memoria_.datos();
  capacidad_ = static_cast<size_t>(std::min<uint64_t>(tamano_, capacidad));
  return true;
}

bool ventana_archivo::abre(archivo_abierto& archivo, const reglas_lectura& reglas,
                           uint32_t capacidad) {
  return reserva(archivo, reglas, capacidad) && lee_primeros(capacidad_);
}

bool ventana_archivo::lee_primeros(size_t n) {
  uint32_t leidos = 0;
  return lee(std::min(n, capacidad_), true, &leidos);
}

bool ventana_archivo::lee(size_t n, bool primera, uint32_t* leidos) {
  const minimo_lectura minimo =
      primera || reglas_.minimo == minimo_lectura::todo ? reglas_.minimo : minimo_lectura::nada;
  const bool bastan = lee_bastante(descriptor_, memoria_.datos() + largo_, static_cast<uint32_t>(n),
                                   minimo, leidos);
  if (*leidos < n) cortada_ = true;
  if (!bastan) return falla(estado, codigo, estado_copia::no_leida, reglas_.lectura);
  largo_ += *leidos;
  leido_ += *leidos;
  return true;
}

bool ventana_archivo::sigue(size_t usados) {
  if (!leida() || memoria_.datos() == nullptr || fin_datos() <= leido_) return false;
  const size_t quedan = largo_ - usados;
  std::memmove(memoria_.datos(), memoria_.datos() + usados, quedan);
  desplazamiento_ += usados;
  largo_ = quedan;
  uint32_t leidos = 0;
  return lee(static_cast<size_t>(std::min<uint64_t>(capacidad_ - quedan, tamano_ - leido_)), false,
             &leidos) &&
         leidos > 0;
}

bool ventana_archivo::lee_en(uint64_t desde) {
  if (!leida() || desde >= tamano_) return false;
  desplazamiento_ = leido_ = desde;
  largo_ = 0;
  if (!plat::current().seek(descriptor_, static_cast<int64_t>(desde), plat::Origin::kBegin)) {
    return falla(estado, codigo, estado_copia::no_leida, reglas_.lectura);
  }
  uint32_t leidos = 0;
  return lee(static_cast<size_t>(std::min<uint64_t>(capacidad_, tamano_ - desde)), true, &leidos);
}

const uint8_t* cursor_registros::recarga() {
  if (!v_.sigue(pos_)) {
    pos_ = v_.largo();  // stays at the end
    return nullptr;
  }
  pos_ = 0;
  return pos_ + largo_ <= v_.largo() ? v_.datos() : nullptr;
}
