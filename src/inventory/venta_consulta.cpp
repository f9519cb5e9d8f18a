// The sale search over the event store, for the console's sale question.
#include "inventory/venta_consulta.h"

#include <string>

#include "eventstore/suceso.h"
#include "foundation/archivo_entero.h"
#include "foundation/gl.h"
#include "foundation/mensajes.h"
#include "foundation/resumen.h"
#include "platform/plataforma.h"

namespace {

constexpr float kContadorDesconocido = -1.0f;

}  // namespace

uint8_t busca_venta(const uint8_t* datos, size_t largo, uint8_t tanque, const fecha_bcd& inicio,
                    const fecha_bcd& fin, float* litros) {
  *litros = 0.0f;
  const size_t sucesos = largo / kLargoSuceso;  // a torn last record is not an event
  const uint64_t clave_inicio = clave_fecha(inicio);
  const uint64_t clave_fin = clave_fecha(fin);
  float contador_inicio = kContadorDesconocido;
  float contador_fin = kContadorDesconocido;
  float negativos = 0.0f;
  uint8_t rearranque = 0;
  bool venta_vista = false;
  bool fecha_mala = false;
  // The phases end by leaving their loops, never through a loop condition
  // that each record would wait on.
  size_t i = 0;

  // The store must reach back before the period.
  for (; i < sucesos; ++i) {
    const uint8_t* f = fecha_suceso(datos + i * kLargoSuceso);
    if (fecha_valida(f)) {
      if (clave_fecha(f) >= clave_inicio) return VENTA_NO_LLEGA_ATRAS;
      break;
    }
    fecha_mala = true;
    gl(MSJ_BV_FECHA_PREVIA);
  }

  // Before the period: the tank's last meter total and what happened after
  // it, up to the first sale of any tank at or after the start.
  for (; i < sucesos; ++i) {
    const uint8_t* s = datos + i * kLargoSuceso;
    if (!fecha_valida(fecha_suceso(s))) {
      fecha_mala = true;
      gl(MSJ_BV_FECHA_PREVIA);
      continue;
    }
    const uint8_t tipo = tipo_suceso(s);
    if (tipo == SUCESO_VENTA) {
      fecha_mala = false;
      if (tanque_suceso(s) == tanque) {
        contador_inicio = total_contador(s);
        rearranque = 0;
        venta_vista = true;
      }
      if (clave_fecha(fecha_suceso(s)) >= clave_inicio) break;
    } else if (tipo == SUCESO_ARRANQUE) {
      rearranque = tanque_suceso(s);
    } else if (tipo == SUCESO_NULO) {
      rearranque = 1;
    } else if (tipo != SUCESO_FOTO) {
      gl(MSJ_BV_DESCONOCIDO);
      return VENTA_DESCONOCIDO_ANTES;
    }
  }
  if (i == sucesos) return VENTA_SIN_VENTA_DESDE_INICIO;
  if (!venta_vista) return VENTA_SIN_VENTA_TANQUE;
  // Sales after a restart that did not pick up the sales file cleanly may be
  // missing.
  if (rearranque != 0) return VENTA_REARRANQUE_ANTES;

  // Inside the period, from the sale that opened it.
  const size_t apertura = i;
  for (; i < sucesos; ++i) {
    const uint8_t* s = datos + i * kLargoSuceso;
    if (!fecha_valida(fecha_suceso(s))) {
      fecha_mala = true;
      gl(MSJ_BV_FECHA);
      continue;
    }
    const uint8_t tipo = tipo_suceso(s);
    if (tipo == SUCESO_VENTA) {
      if (tanque_suceso(s) != tanque) continue;
      if (clave_fecha(fecha_suceso(s)) >= clave_fin) break;
      const float l = litros_venta(s);
      *litros += l;
      if (l < 0.0f) negativos += l;
      contador_fin = total_contador(s);
      rearranque = 0;
    } else if (tipo == SUCESO_ARRANQUE) {
      rearranque = tanque_suceso(s);
    } else if (tipo == SUCESO_NULO) {
      return VENTA_NULO_DENTRO;
    } else if (tipo != SUCESO_FOTO) {
      gl(MSJ_BV_DESCONOCIDO);
      return VENTA_DESCONOCIDO_DENTRO;
    }
  }
  if (i == apertura) return VENTA_PRIMERA_FUERA;
  if (rearranque != 0) return VENTA_REARRANQUE_DENTRO;
  // The meters count what the pumps really gave; returns are not in them.
  if (contador_inicio != kContadorDesconocido && contador_fin != kContadorDesconocido) {
    *litros = contador_fin - contador_inicio + negativos;
  }
  if (*litros == 0.0f) return VENTA_CERO;
  if (fecha_mala) return VENTA_FECHA_MALA;
  return VENTA_OK;
}

uint8_t bv(uint8_t tanque, const fecha_bcd& inicio, const fecha_bcd& fin, float* litros) {
  *litros = 0.0f;
  constexpr reglas_lectura kReglas{.tamano = MSJ_BV_SIN_TAMANO,
                                   .memoria = MSJ_EXIT_BV_MEMORIA,
                                   .salida = "Exit: bv",
                                   .lectura = MSJ_BV_VACIO,
                                   .minimo = minimo_lectura::algo};
  const copia_archivo copia = lee_archivo_entero(kArchivoSincro, plat::Share::kNone, kReglas);
  switch (copia.estado) {
    case estado_copia::leida:
      break;
    case estado_copia::no_abre:
      gl(kTextoLibre, formatea("Error: bv: File open failed %d", copia.error).c_str());
      return VENTA_NO_ABRE;
    case estado_copia::sin_tamano:
      return VENTA_SIN_TAMANO;
    case estado_copia::sin_memoria:  // the program has ended
    case estado_copia::no_leida:
      return VENTA_VACIO;
  }
  return busca_venta(copia.datos(), copia.largo, tanque, inicio, fin, litros);
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
