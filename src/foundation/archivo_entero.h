// Reading a file, the one way every operation that scans a file does it: a
// small file (a table, the configuration) whole into memory; a file that can
// grow without bound (the store, the log, a controller's sales file) through
// a window of bounded size, so that no file's size decides the memory the
// program takes. The handle and the memory give themselves back on every way
// out. Each caller says which message reports which failure, whether a lack
// of memory ends the program, and how much of the file a read must bring in.
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

// The most a window holds.
constexpr uint32_t kVentanaLectura = 1u << 20;

// A file read from its current position through a window of at most
// `capacidad` bytes: the memory is taken once, for the window or for the
// whole file when that is smaller, and a file that fits is read in one go,
// as lee_entero reads it. Where a rule asks for a whole copy (`todo`) every
// read must bring in all it asks for; under `algo` and `nada` only the first
// read is judged, and a later one that brings in less ends the data there,
// as a short read ends a whole copy.
//
// It can also stand over bytes already in memory, all of them in the window
// at once, so that one walk serves a file and a buffer.
class ventana_archivo {
 public:
  ventana_archivo() = default;
  ventana_archivo(const uint8_t* datos, size_t largo);
  ventana_archivo(const ventana_archivo&) = delete;
  ventana_archivo& operator=(const ventana_archivo&) = delete;

  // The size, the memory and the first read. A failed step logs its code
  // and returns false; `estado` tells which step it was.
  bool abre(archivo_abierto& archivo, const reglas_lectura& reglas,
            uint32_t capacidad = kVentanaLectura);
  // The size and the memory only, for a reader that picks what to read:
  // then the first read, of the first `n` bytes only (sigue(0) reads on),
  // or lee_en.
  bool reserva(archivo_abierto& archivo, const reglas_lectura& reglas,
               uint32_t capacidad = kVentanaLectura);
  bool lee_primeros(size_t n);

  // Drops the window's first `usados` bytes, keeps the rest at its start and
  // reads on after them. False when nothing more came in: the end of the
  // data, or a failed read (`todo`: its code logged, estado no_leida).
  bool sigue(size_t usados);
  // Empties the window and fills it from file offset `desde`, a seek and a
  // read judged as the first one; false, with the read's code, on failure.
  bool lee_en(uint64_t desde);

  const uint8_t* datos() const { return datos_; }
  size_t largo() const { return largo_; }
  uint64_t desplazamiento() const { return desplazamiento_; }  // of datos()[0] in the file
  size_t capacidad() const { return capacidad_; }
  uint64_t tamano() const { return tamano_; }
  // Where the data ends as far as is known: the file's size, or where a
  // read brought in less.
  uint64_t fin_datos() const { return cortada_ ? leido_ : tamano_; }
  bool leida() const { return estado == estado_copia::leida; }

  estado_copia estado = estado_copia::no_abre;
  unsigned codigo = 0;  // the message logged for the failure (0: none)

 private:
  // Up to `n` more bytes after the window's; false when they are not enough
  // for the rule (its code logged).
  bool lee(size_t n, bool primera, uint32_t* leidos);

  int descriptor_ = plat::kInvalidFile;
  reglas_lectura reglas_;
  memoria_plataforma memoria_;
  const uint8_t* datos_ = nullptr;
  size_t capacidad_ = 0;
  size_t largo_ = 0;
  uint64_t desplazamiento_ = 0;
  uint64_t leido_ = 0;  // file offset after the last byte read
  uint64_t tamano_ = 0;
  bool cortada_ = false;  // a read brought in less than it asked for
};

// Fixed-size records walked one by one through a window; a piece at the end
// of the data shorter than a record is no record.
class cursor_registros {
 public:
  cursor_registros(ventana_archivo& ventana, size_t largo) : v_(ventana), largo_(largo) {}
  // The record in hand; null once the records (or the reads) run out.
  const uint8_t* actual() { return pos_ + largo_ <= v_.largo() ? v_.datos() + pos_ : recarga(); }
  void avanza() { pos_ += largo_; }
  uint64_t desplazamiento() const { return v_.desplazamiento() + pos_; }  // of the record in hand

 private:
  const uint8_t* recarga();

  ventana_archivo& v_;
  const size_t largo_;
  size_t pos_ = 0;
};
