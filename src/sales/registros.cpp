// Reading a chunk of the sales file and stepping between its records.
#include "sales/registros.h"

#include <algorithm>

#include "platform/platform.h"

namespace {

bool fin_de_linea(char c) { return c == '\r' || c == '\n'; }

enum class paso { kHecho, kInicio, kFallo };

// Moves `*pos` one byte back, loading the chunk before this one when it
// falls off its start.
paso atras(int archivo, trozo_ventas* t, int64_t* pos) {
  if (*pos > 0) {
    --*pos;
    return paso::kHecho;
  }
  if (t->desplazamiento == 0) return paso::kInicio;
  const int64_t hasta = t->desplazamiento;
  if (!lee_trozo(archivo, std::max<int64_t>(0, hasta - kLargoTrozo), t)) return paso::kFallo;
  // A file cut meanwhile may no longer reach the old chunk.
  if (t->desplazamiento + t->validos < hasta) return paso::kFallo;
  *pos = hasta - t->desplazamiento - 1;
  return paso::kHecho;
}

}  // namespace

bool lee_trozo(int archivo, int64_t desplazamiento, trozo_ventas* t) {
  plat::Platform& p = plat::current();
  if (!p.seek(archivo, desplazamiento, plat::Origin::kBegin)) return false;
  t->desplazamiento = desplazamiento;
  t->validos = 0;
  uint32_t leidos = 0;
  if (!p.read(archivo, t->datos, kLargoTrozo, &leidos)) return false;
  t->validos = leidos;
  return true;
}

int64_t registro_previo(int archivo, trozo_ventas* t, uint32_t actual) {
  int64_t pos = actual;
  // Back over the previous record's line end (and any empty lines); nothing
  // but line ends before the record means there is no previous one.
  paso p = atras(archivo, t, &pos);
  while (p == paso::kHecho && fin_de_linea(t->datos[pos])) p = atras(archivo, t, &pos);
  if (p != paso::kHecho) return -1;
  // Back to the line end before the previous record, or to the file's start.
  for (;;) {
    p = atras(archivo, t, &pos);
    if (p == paso::kInicio) return 0;
    if (p == paso::kFallo) return -1;
    if (fin_de_linea(t->datos[pos])) return t->desplazamiento + pos + 1;
  }
}

int64_t registro_siguiente(int archivo, trozo_ventas* t, uint32_t actual) {
  int64_t pos = actual;
  bool en_fin_de_linea = false;
  for (;;) {
    if (pos >= t->validos) {
      if (!lee_trozo(archivo, t->desplazamiento + t->validos, t) || t->validos == 0) return -1;
      pos = 0;
    }
    const bool fin = fin_de_linea(t->datos[pos]);
    if (en_fin_de_linea && !fin) return t->desplazamiento + pos;
    en_fin_de_linea = en_fin_de_linea || fin;
    ++pos;
  }
}

bool lector_ventas::lee(int64_t pos, fecha_bcd* fecha) {
  if (!lee_trozo(archivo, pos, &trozo)) return false;
  *fecha = {};
  return fecha_del_registro(fecha, registro(), *fila);
}

int64_t lector_ventas::hacia_nuevo() {
  return fila->orden == 1 ? registro_siguiente(archivo, &trozo, 0)
                          : registro_previo(archivo, &trozo, 0);
}

int64_t lector_ventas::hacia_viejo() {
  return fila->orden == 1 ? registro_previo(archivo, &trozo, 0)
                          : registro_siguiente(archivo, &trozo, 0);
}

bool lector_ventas::formato_correcto() {
  if (!lee_trozo(archivo, 0, &trozo)) trozo.validos = 0;
  return cuenta_separadores(trozo.desde(0), fila->separador) + 1 == fila->campos;
}

int64_t lector_ventas::ultimo(uint64_t tamano) {
  const int64_t desde = std::max<int64_t>(0, static_cast<int64_t>(tamano) - kLargoTrozo);
  if (!lee_trozo(archivo, desde, &trozo)) return -1;
  return registro_previo(archivo, &trozo, trozo.validos);
}
