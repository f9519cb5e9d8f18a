// The SVS AXXUS conversion: the controller's binary file rewritten whole as
// the text file "my_axxus.txt", which the sales reader then reads.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/CNivaraDlg.h"
#include "foundation/archivo_entero.h"
#include "foundation/bytes.h"
#include "foundation/gl.h"
#include "foundation/mensajes.h"
#include "foundation/reemplazo.h"
#include "foundation/resumen.h"
#include "platform/platform.h"
#include "sales/axxus.h"
#include "sales/reglas_venta.h"

namespace {

// A real truncated towards zero. A value no int holds (NaN, a huge number)
// gives the lowest int, as the controller PC's conversion does; its text
// then starts with a minus sign, which the reader refuses as a pump or
// nozzle instead of taking it for a real one.
int trunca(float v) {
  if (!(v > -2147483648.0f && v < 2147483648.0f)) return INT32_MIN;
  return static_cast<int>(v);
}

// The characters of `texto` from `desde` up to `hasta`, as a decimal number.
uint8_t parte(const char* texto, int desde, int hasta) {
  const std::string digitos(texto + desde, static_cast<size_t>(hasta - desde));
  return static_cast<uint8_t>(std::strtol(digitos.c_str(), nullptr, 10));
}

}  // namespace

bool convierte_axxus(const uint8_t r[kLargoRegistroAxxus], linea_axxus* l) {
  const uint64_t bits = lee_u64_le(r + campo_axxus::kFecha);
  double fecha;
  std::memcpy(&fecha, &bits, sizeof fecha);
  // Wide enough for the largest double with six decimals.
  char texto[400];
  std::snprintf(texto, sizeof texto, "%6.6f", fecha);
  // Counted from the end: ss at n-2, mm at n-4, hh at n-6, the point at n-7,
  // YY at n-9, MM at n-11, and the day is whatever comes before.
  const int n = static_cast<int>(std::strlen(texto));
  if (n < 12 || texto[n - 7] != '.') return false;
  const unsigned segundo = parte(texto, n - 2, n);
  const unsigned minuto = parte(texto, n - 4, n - 2);
  const unsigned hora = parte(texto, n - 6, n - 4);
  const unsigned anio = parte(texto, n - 9, n - 7);
  const unsigned mes = parte(texto, n - 11, n - 9);
  const unsigned dia = parte(texto, 0, n - 11);

  l->campos[0] =
      formatea("%d-%.2d-%.2d %.2d:%.2d:%.2d;", anio + 2000, mes, dia, hora, minuto, segundo);
  l->campos[1] = formatea("%d;", trunca(lee_real_le(r + campo_axxus::kSurtidor)));
  l->campos[2] = formatea("%d;", trunca(lee_real_le(r + campo_axxus::kPico)));
  l->campos[3] = formatea("%f;", static_cast<double>(lee_real_le(r + campo_axxus::kLitros)));
  l->campos[4] = formatea("%d\r\n", trunca(lee_real_le(r + campo_axxus::kSigno)));
  return true;
}

// Converts the controller's whole file into "my_axxus.txt"; true when that
// file was made, even if a write stopped the conversion early.
bool CNivaraDlg::gma(bool* entera) {
  if (entera != nullptr) *entera = false;
  plat::Platform& p = plat::current();
  archivo_abierto controlador =
      archivo_abierto::abre(ruta_ventas(config).c_str(), plat::kReadWrite, plat::Share::kNone,
                            plat::Creation::kOpenExisting);
  if (!controlador.abierto()) {
    gl(kTextoLibre, formatea("Error: lfv: File open failed %d", p.last_error()).c_str());
    return false;
  }
  constexpr reglas_lectura kReglas{.tamano = MSJ_GMA_SIN_TAMANO,
                                   .memoria = MSJ_GMA_SIN_MEMORIA,
                                   .lectura = MSJ_GMA_VACIO,
                                   .minimo = minimo_lectura::algo};
  ventana_archivo v;
  if (!v.abre(controlador, kReglas)) return false;

  // The text goes in place of the last one whole, so that a crash or a full
  // disk never leaves the reader half a file; it goes over in pieces as the
  // records are read, however big the controller's file has grown.
  unsigned fallo = MSJ_NINGUNO;
  reemplazo_en_partes nuevo(
      kArchivoAxxus,
      {.crear = MSJ_NO_CREA_AXXUS, .escribir = MSJ_GMA_NO_GUARDA, .corto = MSJ_GMA_NO_GUARDA},
      &fallo);
  constexpr size_t kTrozoTexto = 1 << 16;
  std::string texto;
  texto.reserve(kTrozoTexto + 256);
  bool escrito = nuevo.abierto();
  // A trailing piece shorter than a record is left for when it is whole.
  cursor_registros c(v, kLargoRegistroAxxus);
  for (const uint8_t* r; escrito && (r = c.actual()) != nullptr; c.avanza()) {
    linea_axxus linea;
    if (!convierte_axxus(r, &linea)) continue;
    for (const std::string& campo : linea.campos) texto += campo;
    if (texto.size() >= kTrozoTexto) {
      escrito = nuevo.escribe(texto.data(), static_cast<uint32_t>(texto.size()));
      texto.clear();
    }
  }
  // A file that could not be made is a failed conversion; one that could
  // not be written leaves the last text in place, for the reader to go on.
  bool hecha = false;
  if (escrito && nuevo.escribe(texto.data(), static_cast<uint32_t>(texto.size()))) {
    hecha = nuevo.termina().abierto();
  }
  if (entera != nullptr) *entera = hecha;
  return fallo != MSJ_NO_CREA_AXXUS;
}
