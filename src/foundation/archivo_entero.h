// Reading a whole file into memory, the one way every operation that scans a
// file does it: open, size, memory for all of it, read, close. The handle and
// the memory give themselves back on every way out. Each caller says which
// message reports which failure, whether a lack of memory ends the program,
// and how much of the file a read must bring in.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/platform.h"

// A platform file handle that closes itself.
class archivo_abierto {
 public:
  archivo_abierto() = default;
  explicit archivo_abierto(int descriptor) : descriptor_(descriptor) {}
  ~archivo_abierto() { cierra(); }
  archivo_abierto(archivo_abierto&& otro) noexcept : descriptor_(otro.suelta()) {}
  archivo_abierto& operator=(archivo_abierto&& otro) noexcept;
  archivo_abierto(const archivo_abierto&) = delete;
  archivo_abierto& operator=(const archivo_abierto&) = delete;

  // Opens through the platform; not abierto() on failure (last_error()).
  static archivo_abierto abre(const char* ruta, unsigned acceso, plat::Share compartir,
                              plat::Creation creacion);

  bool abierto() const { return descriptor_ != plat::kInvalidFile; }
  int descriptor() const { return descriptor_; }
  void cierra();

 private:
  int suelta();

  int descriptor_ = plat::kInvalidFile;
};

// Memory from the platform's allocator, given back through its free.
class memoria_plataforma {
 public:
  memoria_plataforma() = default;
  ~memoria_plataforma() { libera(); }
  memoria_plataforma(memoria_plataforma&& otra) noexcept : datos_(otra.datos_) {
    otra.datos_ = nullptr;
  }
  memoria_plataforma& operator=(memoria_plataforma&& otra) noexcept;
  memoria_plataforma(const memoria_plataforma&) = delete;
  memoria_plataforma& operator=(const memoria_plataforma&) = delete;

  // False (nothing held) when the platform has no memory to give.
  bool toma(size_t bytes);
  void libera();
  uint8_t* datos() const { return datos_; }

 private:
  uint8_t* datos_ = nullptr;
};

// How much of what was asked a read must bring in.
enum class minimo_lectura : uint8_t {
  todo,  // every byte; a file too big for one read fails too
  algo,  // at least one byte
  nada,  // whatever came in; a failed read counts as nothing read
};

// What a reader reports and does on each failure. A code of 0 (MSJ_NINGUNO)
// logs nothing.
struct reglas_lectura {
  unsigned abrir = 0;    // the file cannot be opened
  unsigned tamano = 0;   // its size cannot be had
  unsigned memoria = 0;  // no memory for the copy
  // The journal line the program ends with after `memoria` when there is no
  // memory; none: the read fails (sin_memoria) and the caller goes on.
  const char* salida = nullptr;
  unsigned lectura = 0;  // the read fails or brings in less than `minimo`
  minimo_lectura minimo = minimo_lectura::todo;
};

// leida: no step has failed (the copy holds what was asked so far).
enum class estado_copia : uint8_t { leida, no_abre, sin_tamano, sin_memoria, no_leida };

// A file's bytes in memory, or why they are not.
struct copia_archivo {
  estado_copia estado = estado_copia::no_abre;
  unsigned codigo = 0;         // the message logged for the failure (0: none)
  int error = 0;               // no_abre: the system's error number
  uint64_t tamano = 0;         // the file's size, once known
  memoria_plataforma memoria;  // room for `tamano` bytes, once taken
  uint32_t largo = 0;          // bytes read into it

  bool leida() const { return estado == estado_copia::leida; }
  uint8_t* datos() const { return memoria.datos(); }
};

// The whole file at `ruta`, opened for reading (existing file only) with
// the given sharing, and closed again before returning.
copia_archivo lee_archivo_entero(const char* ruta, plat::Share compartir,
                                 const reglas_lectura& reglas);

// The same on a file the caller holds open, read from its current position;
// the caller closes it (it is closed here only before the program ends for
// lack of memory).
copia_archivo lee_entero(archivo_abierto& archivo, const reglas_lectura& reglas);

// The two steps of lee_entero, for a reader that reads in more than one go:
// the size and the memory for all of it (nothing read yet), and then `n`
// more bytes after what the copy holds (`n` fits the room left). A failed
// step logs its code and returns false; `copia` tells which step it was.
bool reserva_copia(archivo_abierto& archivo, copia_archivo& copia, const reglas_lectura& reglas);
bool lee_en_copia(archivo_abierto& archivo, copia_archivo& copia, uint32_t n,
                  const reglas_lectura& reglas);
