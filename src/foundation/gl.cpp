// The binary event log "Nivara.log": appending a record, the hourly time
// stamp, and trimming the log when it grows too large.
#include "foundation/gl.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "foundation/afe.h"
#include "foundation/archivo_entero.h"
#include "foundation/bytes.h"
#include "foundation/catalogo.h"
#include "foundation/mensajes.h"
#include "foundation/reemplazo.h"
#include "platform/platform.h"

namespace {

constexpr const char* kArchivoLog = "Nivara.log";

// Every record starts with the minute of the day (16 bits, little-endian)
// and a code byte; an event record ends there, a text record (code byte
// 0xFF) goes on with its text and a NUL.
constexpr size_t kCodigo = 2;
constexpr size_t kLargoEvento = 3;
constexpr uint8_t kMarcaTexto = kTextoLibre;

// The local time of the last time-stamp record (hour, day, month and year
// are compared). Empty at the start of a run.
struct {
  bool valido = false;
  int hora = 0, dia = 0, mes = 0, anio = 0;
} ultimo_sello;

// Set while the log is ending the program for lack of memory, so that the
// journal's own failure records cannot lead back into the trim.
bool saliendo = false;

// Makes sure the window holds `n` bytes from file offset `pos` (at or after
// its start); false when the data ends first.
bool en_ventana(ventana_archivo& v, uint64_t pos, uint64_t n) {
  while (pos + n > v.desplazamiento() + v.largo()) {
    if (!v.sigue(static_cast<size_t>(pos - v.desplazamiento()))) return false;
  }
  return true;
}

// The end of the record at `pos`, `fin` at the most. A text may run on for
// windows, or to the end of a damaged log: only the bytes behind the
// search are let go.
uint64_t salta_registro(ventana_archivo& v, uint64_t pos, uint64_t fin) {
  if (fin - pos < kLargoEvento || !en_ventana(v, pos, kLargoEvento)) return fin;
  if (v.datos()[pos - v.desplazamiento() + kCodigo] != kMarcaTexto) return pos + kLargoEvento;
  uint64_t desde = pos + kLargoEvento;
  for (;;) {
    const uint64_t hasta = std::min<uint64_t>(v.desplazamiento() + v.largo(), fin);
    if (desde < hasta) {
      const uint8_t* inicio = v.datos() + (desde - v.desplazamiento());
      if (const void* nul = std::memchr(inicio, 0, hasta - desde)) {
        return desde + static_cast<uint64_t>(static_cast<const uint8_t*>(nul) - inicio) + 1;
      }
      desde = hasta;
    }
    if (hasta >= fin || !v.sigue(static_cast<size_t>(hasta - v.desplazamiento()))) return fin;
  }
}

// Where the kept tail starts in the data up to `fin`; the window holds it.
uint64_t inicio_recorte(ventana_archivo& v, uint64_t fin) {
  uint64_t pos = 0;
  do {
    pos = salta_registro(v, pos, fin);
  } while (pos < fin && fin - pos >= kLogCola);
  return pos;
}

// Cuts an oversized log down to its newest records. On success `archivo` is
// the new, shorter file; on failure the record is dropped.
bool recorta(archivo_abierto& archivo) {
  // The log reports none of its own failures, and a lack of memory ends the
  // program here, only once.
  constexpr reglas_lectura kReglas{.minimo = minimo_lectura::algo};
  ventana_archivo v;
  if (!v.abre(archivo, kReglas)) {
    if (v.estado == estado_copia::sin_memoria && !saliendo) {
      archivo.cierra();
      saliendo = true;
      sale(MSJ_NINGUNO, "Exit: gl: 2");
    }
    return false;
  }
  const uint64_t fin = v.fin_datos();
  const uint64_t desde = inicio_recorte(v, fin);
  // The kept tail replaces the log whole: killed halfway, the log is the
  // old one or the new one, never cut in the middle of a record. It goes
  // over window by window.
  reemplazo_en_partes nuevo(kArchivoLog, {});
  bool ok = nuevo.abierto();
  if (ok && desde < fin) {
    const auto en = static_cast<size_t>(desde - v.desplazamiento());
    ok = nuevo.escribe(v.datos() + en, static_cast<uint32_t>(v.largo() - en));
    while (ok && v.desplazamiento() + v.largo() < fin) {
      ok = v.sigue(v.largo()) && nuevo.escribe(v.datos(), static_cast<uint32_t>(v.largo()));
    }
  } else if (ok) {
    ok = nuevo.escribe(v.datos(), 0);
  }
  // Data that ended before the size said would make the tail the wrong one.
  if (!ok || v.fin_datos() != fin) return false;
  archivo.cierra();
  archivo = nuevo.termina();
  return archivo.abierto();
}

// Appends one finished record; failures are dropped without a trace.
void agrega_registro(const uint8_t* registro, uint32_t largo) {
  plat::Platform& p = plat::current();
  archivo_abierto archivo = archivo_abierto::abre(kArchivoLog, plat::kReadWrite, plat::Share::kNone,
                                                  plat::Creation::kOpenAlways);
  if (!archivo.abierto()) return;
  uint64_t tamano = 0;
  if (!p.size(archivo.descriptor(), &tamano)) return;
  if (tamano > kLogMaximo && !recorta(archivo)) return;
  uint64_t fin = 0;
  if (!p.seek(archivo.descriptor(), 0, plat::Origin::kEnd, &fin)) return;
  uint32_t escritos = 0;
  if (p.write(archivo.descriptor(), registro, largo, &escritos) && escritos == largo) return;
  // A piece of a record (a full disk) would put every later one out of step
  // for a reader: it is cut off, and the record dropped as a failed one is.
  if (escritos > 0 &&
      p.seek(archivo.descriptor(), static_cast<int64_t>(fin), plat::Origin::kBegin)) {
    p.set_end(archivo.descriptor());
  }
}

// Builds a text record (minute, 0xFF, text, NUL); returns its length.
uint32_t registro_texto(uint8_t* reg, uint16_t minuto, const char* texto) {
  size_t n = texto != nullptr ? std::strlen(texto) : 0;
  if (n > kLogTextoMaximo) n = kLogTextoMaximo;
  escribe_u16_le(reg, minuto);
  reg[kCodigo] = kMarcaTexto;
  if (n > 0) std::memcpy(reg + kLargoEvento, texto, n);
  reg[kLargoEvento + n] = 0;
  return static_cast<uint32_t>(kLargoEvento + n + 1);
}

}  // namespace

void formatea_fecha_hora(const std::tm& t, char salida[19]) {
  // Each field is two digits in a valid time; the wide buffer only keeps the
  // formatter from truncating a field that is not.
  char ancho[64];
  std::snprintf(ancho, sizeof ancho, "%2.2d/%2.2d/%2.2d  %2.2d:%2.2d:%2.2d", t.tm_mday % 100,
                (t.tm_mon + 1) % 100, t.tm_year % 100, t.tm_hour % 100, t.tm_min % 100,
                t.tm_sec % 100);
  std::memcpy(salida, ancho, 18);
  salida[18] = '\0';
}

size_t largo_registro(const uint8_t* datos, size_t quedan) {
  ventana_archivo v(datos, quedan);
  return static_cast<size_t>(salta_registro(v, 0, quedan));
}

size_t inicio_recorte(const uint8_t* datos, size_t largo) {
  ventana_archivo v(datos, largo);
  return static_cast<size_t>(inicio_recorte(v, largo));
}

void gl_reinicia() {
  ultimo_sello.valido = false;
  saliendo = false;
}

void gl(unsigned codigo, const char* texto) {
  std::tm t = plat::local_now();
  const uint16_t minuto = static_cast<uint16_t>(t.tm_hour * 60 + t.tm_min);
  uint8_t registro[kLargoEvento + kLogTextoMaximo + 1];

  if (!ultimo_sello.valido || ultimo_sello.hora != t.tm_hour || ultimo_sello.dia != t.tm_mday ||
      ultimo_sello.mes != t.tm_mon || ultimo_sello.anio != t.tm_year) {
    char sello[19];
    formatea_fecha_hora(t, sello);
    ultimo_sello = {true, t.tm_hour, t.tm_mday, t.tm_mon, t.tm_year};
    agrega_registro(registro, registro_texto(registro, minuto, sello));
  }

  const uint8_t codigo_bajo = static_cast<uint8_t>(codigo & 0xFF);
  if (codigo_bajo == kTextoLibre) {
    agrega_registro(registro, registro_texto(registro, minuto, texto));
  } else {
    escribe_u16_le(registro, minuto);
    registro[kCodigo] = codigo_bajo;
    agrega_registro(registro, kLargoEvento);
  }
}
