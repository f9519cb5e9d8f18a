// Reading a whole file into memory; see archivo_entero.h.
#include "foundation/archivo_entero.h"

#include <algorithm>

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

bool falla(copia_archivo& copia, estado_copia estado, unsigned codigo) {
  copia.estado = estado;
  copia.codigo = codigo;
  if (codigo != 0) gl(codigo);
  return false;
}

}  // namespace

bool reserva_copia(archivo_abierto& archivo, copia_archivo& copia, const reglas_lectura& reglas) {
  if (!plat::current().size(archivo.descriptor(), &copia.tamano)) {
    return falla(copia, estado_copia::sin_tamano, reglas.tamano);
  }
  if (!copia.memoria.toma(static_cast<size_t>(copia.tamano))) {
    if (reglas.salida != nullptr) {
      archivo.cierra();
      sale(reglas.memoria, reglas.salida);
    }
    return falla(copia, estado_copia::sin_memoria, reglas.memoria);
  }
  copia.estado = estado_copia::leida;
  copia.largo = 0;
  return true;
}

bool lee_en_copia(archivo_abierto& archivo, copia_archivo& copia, uint32_t n,
                  const reglas_lectura& reglas) {
  uint32_t leidos = 0;
  const bool ok =
      plat::current().read(archivo.descriptor(), copia.datos() + copia.largo, n, &leidos);
  if (!ok) leidos = 0;
  bool bastan = true;
  switch (reglas.minimo) {
    case minimo_lectura::todo: bastan = ok && leidos == n; break;
    case minimo_lectura::algo: bastan = ok && leidos > 0; break;
    case minimo_lectura::nada: break;
  }
  if (!bastan) return falla(copia, estado_copia::no_leida, reglas.lectura);
  copia.largo += leidos;
  return true;
}

copia_archivo lee_entero(archivo_abierto& archivo, const reglas_lectura& reglas) {
  copia_archivo copia;
  if (!reserva_copia(archivo, copia, reglas)) return copia;
  // One read brings in at most 4 GiB - 1; a copy that must be whole fails
  // before reading when the file is bigger.
  if (copia.tamano > UINT32_MAX && reglas.minimo == minimo_lectura::todo) {
    falla(copia, estado_copia::no_leida, reglas.lectura);
    return copia;
  }
  lee_en_copia(archivo, copia, static_cast<uint32_t>(std::min<uint64_t>(copia.tamano, UINT32_MAX)),
               reglas);
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
