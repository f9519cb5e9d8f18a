// The sale search over the event store, for the console's sale question.
#include "inventory/venta_consulta.h"

#include <string>

#include "eventstore/suceso.h"
#include "foundation/archivo_entero.h"
#include "foundation/gl.h"
#include "foundation/mensajes.h"
#include "foundation/resumen.h"
#include "platform/platform.h"

namespace {

constexpr float kContadorDesconocido = -1.0f;

// What a sale search carries from one phase to the next. Each phase walks
// on from the record where the last one stopped, and ends by leaving its
// loop, never through a loop condition that each record would wait on.
struct busqueda_venta {
  cursor_registros& c;  // the record where the next phase starts
  uint8_t tanque;
  uint64_t clave_inicio, clave_fin;
  uint64_t i = 0;                                // records stepped over so far
  float contador_inicio = kContadorDesconocido;  // the tank's last meter total before the period
  float contador_fin = kContadorDesconocido;     // its last one inside the period
  float litros = 0.0f;                           // the tank's sales inside the period
  float negativos = 0.0f;                        // the returns among them
  uint8_t rearranque = 0;    // a restart since the tank's last sale that may have missed sales
  bool venta_vista = false;  // a sale of the tank before the period
  bool fecha_mala = false;

  void avanza() {
    c.avanza();
    ++i;
  }
};

// Every phase steps over a record with a bad date the same way: noted,
// logged with the phase's message, and not looked at any further.
inline bool salta_fecha_mala(const uint8_t* s, unsigned mensaje, bool* fecha_mala) {
  if (fecha_valida(fecha_suceso(s))) return false;
  *fecha_mala = true;
  gl(mensaje);
  return true;
}

// The store must reach back before the period: its first record with a
// valid date must be older than the start.
bool llega_atras(busqueda_venta& b) {
  for (const uint8_t* s; (s = b.c.actual()) != nullptr; b.avanza()) {
    if (salta_fecha_mala(s, MSJ_BV_FECHA_PREVIA, &b.fecha_mala)) continue;
    return clave_fecha(fecha_suceso(s)) < b.clave_inicio;
  }
  return true;  // no valid date at all: the next phase runs out of records
}

// Before the period: the tank's last meter total and what happened after
// it, up to the first sale of any tank at or after the start, which opens
// the period.
uint8_t antes_del_periodo(busqueda_venta& b) {
  const uint8_t* s = b.c.actual();
  for (; s != nullptr; b.avanza(), s = b.c.actual()) {
    if (salta_fecha_mala(s, MSJ_BV_FECHA_PREVIA, &b.fecha_mala)) continue;
    const uint8_t tipo = tipo_suceso(s);
    if (tipo == SUCESO_VENTA) {
      b.fecha_mala = false;
      if (tanque_suceso(s) == b.tanque) {
        b.contador_inicio = total_contador(s);
        b.rearranque = 0;
        b.venta_vista = true;
      }
      if (clave_fecha(fecha_suceso(s)) >= b.clave_inicio) break;
    } else if (tipo == SUCESO_ARRANQUE) {
      b.rearranque = tanque_suceso(s);
    } else if (tipo == SUCESO_NULO) {
      b.rearranque = 1;
    } else if (tipo != SUCESO_FOTO) {
      gl(MSJ_BV_DESCONOCIDO);
      return VENTA_DESCONOCIDO_ANTES;
    }
  }
  if (s == nullptr) return VENTA_SIN_VENTA_DESDE_INICIO;
  if (!b.venta_vista) return VENTA_SIN_VENTA_TANQUE;
  // Sales after a restart that did not pick up the sales file cleanly may be
  // missing.
  if (b.rearranque != 0) return VENTA_REARRANQUE_ANTES;
  return VENTA_OK;
}

// Inside the period, from the sale that opened it: the tank's sales up to
// the first one at or after the end.
uint8_t dentro_del_periodo(busqueda_venta& b) {
  const uint64_t desde = b.i;
  for (const uint8_t* s; (s = b.c.actual()) != nullptr; b.avanza()) {
    if (salta_fecha_mala(s, MSJ_BV_FECHA, &b.fecha_mala)) continue;
    const uint8_t tipo = tipo_suceso(s);
    if (tipo == SUCESO_VENTA) {
      if (tanque_suceso(s) != b.tanque) continue;
      if (clave_fecha(fecha_suceso(s)) >= b.clave_fin) break;
      const float l = litros_venta(s);
      b.litros += l;
      if (l < 0.0f) b.negativos += l;
      b.contador_fin = total_contador(s);
      b.rearranque = 0;
    } else if (tipo == SUCESO_ARRANQUE) {
      b.rearranque = tanque_suceso(s);
    } else if (tipo == SUCESO_NULO) {
      return VENTA_NULO_DENTRO;
    } else if (tipo != SUCESO_FOTO) {
      gl(MSJ_BV_DESCONOCIDO);
      return VENTA_DESCONOCIDO_DENTRO;
    }
  }
  if (b.i == desde) return VENTA_PRIMERA_FUERA;  // the sale that opened it was past the end
  return VENTA_OK;
}

// What the walk found, and how far it can be trusted.
uint8_t veredicto(busqueda_venta& b) {
  if (b.rearranque != 0) return VENTA_REARRANQUE_DENTRO;
  // The meters count what the pumps really gave; returns are not in them.
  if (b.contador_inicio != kContadorDesconocido && b.contador_fin != kContadorDesconocido) {
    b.litros = b.contador_fin - b.contador_inicio + b.negativos;
  }
  if (b.litros == 0.0f) return VENTA_CERO;
  if (b.fecha_mala) return VENTA_FECHA_MALA;
  return VENTA_OK;
}

}  // namespace

uint8_t busca_venta(cursor_registros& c, uint8_t tanque, const fecha_bcd& inicio,
                    const fecha_bcd& fin, float* litros) {
  busqueda_venta b{
      .c = c, .tanque = tanque, .clave_inicio = clave_fecha(inicio), .clave_fin = clave_fecha(fin)};
  uint8_t codigo = VENTA_NO_LLEGA_ATRAS;
  if (llega_atras(b)) codigo = antes_del_periodo(b);
  if (codigo == VENTA_OK) codigo = dentro_del_periodo(b);
  if (codigo == VENTA_OK) codigo = veredicto(b);
  *litros = b.litros;
  return codigo;
}

uint8_t busca_venta(const uint8_t* datos, size_t largo, uint8_t tanque, const fecha_bcd& inicio,
                    const fecha_bcd& fin, float* litros) {
  ventana_archivo v(datos, largo);
  cursor_registros c(v, kLargoSuceso);
  return busca_venta(c, tanque, inicio, fin, litros);
}

uint8_t bv(uint8_t tanque, const fecha_bcd& inicio, const fecha_bcd& fin, float* litros) {
  *litros = 0.0f;
  archivo_abierto archivo = archivo_abierto::abre(kArchivoSincro, plat::kRead, plat::Share::kNone,
                                                  plat::Creation::kOpenExisting);
  if (!archivo.abierto()) {
    gl(kTextoLibre,
       formatea("Error: bv: File open failed %d", plat::current().last_error()).c_str());
    return VENTA_NO_ABRE;
  }
  constexpr reglas_lectura kReglas{.tamano = MSJ_BV_SIN_TAMANO,
                                   .memoria = MSJ_EXIT_BV_MEMORIA,
                                   .salida = "Exit: bv",
                                   .lectura = MSJ_BV_VACIO,
                                   .minimo = minimo_lectura::algo};
  ventana_archivo v;
  // Without memory the program has ended; a failed read is an empty store.
  if (!v.abre(archivo, kReglas)) {
    return v.estado == estado_copia::sin_tamano ? VENTA_SIN_TAMANO : VENTA_VACIO;
  }
  cursor_registros c(v, kLargoSuceso);
  return busca_venta(c, tanque, inicio, fin, litros);
}

uint8_t consulta_venta(uint8_t tanque, const fecha_bcd& inicio, const fecha_bcd& fin,
                       float* litros) {
  char texto_inicio[18], texto_fin[18];
  fecha_a_texto(texto_inicio, inicio);
  fecha_a_texto(texto_fin, fin);
  gl(kTextoLibre,
     (formatea("<- Venta? T%d  ", tanque + 1) + texto_inicio + " - " + texto_fin).c_str());
  const uint8_t codigo = bv(tanque, inicio, fin, litros);
  const auto l = static_cast<double>(*litros);
  if (codigo != VENTA_OK) {
    gl(kTextoLibre, formatea("-> Venta = %.1f Lts - Error %d", l, codigo).c_str());
  } else {
    gl(kTextoLibre, formatea("-> Venta = %.1f Lts - OK", l).c_str());
  }
  return codigo;
}
