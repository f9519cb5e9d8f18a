// Appending one event to the store, with its month-based retention.
#include <cstdint>
#include <string>
#include <utility>

#include "app/CNivaraDlg.h"
#include "eventstore/apartado.h"
#include "eventstore/archivo_meses.h"
#include "eventstore/suceso.h"
#include "foundation/archivo_entero.h"
#include "foundation/catalogo.h"
#include "foundation/gl.h"
#include "foundation/mensajes.h"
#include "foundation/reemplazo.h"
#include "platform/platform.h"

namespace {

// Opens the store exclusively, creating it empty when missing; reports a
// failure with its message and puts the message's text in `error`.
archivo_abierto abre_sincro(std::string* error) {
  archivo_abierto archivo = archivo_abierto::abre(kArchivoSincro, plat::kReadWrite,
                                                  plat::Share::kNone, plat::Creation::kOpenAlways);
  if (!archivo.abierto()) {
    gl(MSJ_AFS_NO_ABRE_SINCRO);
    char texto[128];
    texto_mensaje(MSJ_AFS_NO_ABRE_SINCRO, texto);
    *error = texto;
  }
  return archivo;
}

// Steps the cursor to the first record, from the second on, whose month is
// one of the kept ones; false when there is none. Only whole records count:
// keeping from a cut-short tail would leave the store out of step with its
// 21-byte grid.
bool primer_retenido(cursor_registros& c, const uint8_t meses[kMesesRetenidos]) {
  if (c.actual() == nullptr) return false;
  c.avanza();
  for (const uint8_t* r; (r = c.actual()) != nullptr; c.avanza()) {
    const uint8_t mes = mes_suceso(r);
    if (mes == meses[0] || mes == meses[1] || mes == meses[2]) return true;
  }
  return false;
}

// Drops every record before the first one, from the second on, of the kept
// months, once they are archived. Takes the open store; returns the store to
// append to, not open after a reported failure.
archivo_abierto retiene(archivo_abierto viejo, const uint8_t meses[kMesesRetenidos],
                        std::string* error) {
  if (!plat::current().seek(viejo.descriptor(), 0, plat::Origin::kBegin)) {
    viejo.cierra();
    gl(MSJ_AFS_NO_POSICIONA_1);
    return {};
  }
  // Rewriting from a partial read would lose the unread tail.
  constexpr reglas_lectura kReglas{.tamano = MSJ_AFS_SIN_TAMANO,
                                   .memoria = MSJ_EXIT_AFS_MEMORIA,
                                   .salida = "Exit: afs: 2",
                                   .lectura = MSJ_AFS_NO_REGRABA,
                                   .minimo = minimo_lectura::todo};
  ventana_archivo v;
  if (!v.abre(viejo, kReglas)) return {};
  cursor_registros c(v, kLargoSuceso);
  const bool hay = primer_retenido(c, meses);
  if (!v.leida()) return {};
  if (!hay) {
    viejo.cierra();
    gl(MSJ_AFS_MES_VIEJO);
    return abre_sincro(error);
  }
  // What is dropped goes to the archive first; without it nothing is, and
  // the record goes to the store as it stands. The archive reads the store
  // on its own: the window's next read is put back where it was.
  const uint64_t desde = c.desplazamiento();
  if (!archiva_meses(viejo.descriptor(), desde)) return viejo;
  if (!plat::current().seek(viejo.descriptor(),
                            static_cast<int64_t>(v.desplazamiento() + v.largo()),
                            plat::Origin::kBegin)) {
    gl(MSJ_AFS_NO_REGRABA);
    return {};
  }
  // The kept records go over window by window; the old store stays open,
  // and locked, until the new one has replaced it.
  reemplazo_en_partes nuevo(
      kArchivoSincro,
      {.crear = MSJ_AFS_NO_RECREA, .escribir = MSJ_AFS_NO_REGRABA, .corto = MSJ_AFS_CORTO});
  const auto en = static_cast<size_t>(desde - v.desplazamiento());
  bool ok = nuevo.escribe(v.datos() + en, static_cast<uint32_t>(v.largo() - en));
  while (ok && v.sigue(v.largo())) {
    ok = nuevo.escribe(v.datos(), static_cast<uint32_t>(v.largo()));
  }
  if (!ok || !v.leida()) return {};
  return nuevo.termina();
}

}  // namespace

// Appends one event of the given kind to the event store, keeping three months.
bool CNivaraDlg::afs(char tipo, uint8_t indice) {
  plat::Platform& p = plat::current();
  sincro.ultimo_error.clear();
  archivo_abierto archivo = abre_sincro(&sincro.ultimo_error);
  if (!archivo.abierto()) return false;

  uint8_t primero[kLargoSuceso] = {};
  uint32_t leidos = 0;
  unsigned mes_viejo = 0;
  if (!p.read(archivo.descriptor(), primero, kLargoSuceso, &leidos) || leidos == 0) {
    gl(MSJ_AFS_VACIO);
  } else {
    mes_viejo = bcd_a_bin(mes_suceso(primero));
  }

  fecha_bcd ahora;
  fecha_actual(&ahora);
  uint8_t meses[kMesesRetenidos];
  meses_retenidos(bcd_a_bin(ahora.mes), meses);
  // By month number only: the year is never looked at.
  if (mes_viejo != bcd_a_bin(meses[0]) && mes_viejo != bcd_a_bin(meses[1]) &&
      mes_viejo != bcd_a_bin(meses[2])) {
    archivo = retiene(std::move(archivo), meses, &sincro.ultimo_error);
    if (!archivo.abierto()) return false;
  }

  uint64_t fin = 0;
  if (!p.seek(archivo.descriptor(), 0, plat::Origin::kEnd, &fin)) {
    gl(MSJ_AFS_NO_POSICIONA);
    return false;
  }
  uint8_t registro[kLargoSuceso];
  const auto clase = static_cast<uint8_t>(tipo);
  if (clase == SUCESO_FOTO && indice < kTanquesConsola) {
    const registro_tanque& t = resp.tanques[indice];
    suceso_foto({.fecha = t.fecha_hora,
                 .tanque = indice,
                 .nivel = t.nivel,
                 .status_calibs = t.status_calibs,
                 .liq_agua_medible = t.liq_agua_medible,
                 .litros = t.litros,
                 .merma_mes = t.merma_mes,
                 .programada = sincro.foto_programada != 0,
                 .autclb = sincro.foto_autclb != 0},
                registro);
  } else if (clase == SUCESO_VENTA) {
    suceso_venta(sincro.venta_actual, registro);
  } else if (clase == SUCESO_ARRANQUE) {
    fecha_actual(&ahora);
    suceso_arranque(ahora, indice, registro);
  } else if (clase == SUCESO_NULO) {
    return true;
  } else {
    // Also a snapshot of no tank (no table being programmed gives 255).
    gl(MSJ_AFS_DESCONOCIDO);
    return false;
  }

  // A store that does not end on a whole record (a write cut short on a full
  // disk) would take the new record out of step, and every one after it:
  // the piece is kept aside and cut off first.
  if (const auto sobra = static_cast<uint32_t>(fin % kLargoSuceso); sobra != 0) {
    uint8_t pieza[kLargoSuceso];
    uint32_t en_pieza = 0;
    const uint64_t corte = fin - sobra;
    if (p.seek(archivo.descriptor(), static_cast<int64_t>(corte), plat::Origin::kBegin) &&
        p.read(archivo.descriptor(), pieza, sobra, &en_pieza) && en_pieza == sobra &&
        aparta(pieza, sobra, motivo_apartado::pieza_suelta) &&
        p.seek(archivo.descriptor(), static_cast<int64_t>(corte), plat::Origin::kBegin) &&
        p.set_end(archivo.descriptor())) {
      fin = corte;
    } else if (!p.seek(archivo.descriptor(), 0, plat::Origin::kEnd, &fin)) {
      gl(MSJ_AFS_NO_POSICIONA);
      return false;
    }
  }

  uint32_t escritos = 0;
  const bool escrito = p.write(archivo.descriptor(), registro, kLargoSuceso, &escritos);
  if (!escrito || escritos != kLargoSuceso) {
    // A piece of a record would put every later record out of step.
    p.seek(archivo.descriptor(), static_cast<int64_t>(fin), plat::Origin::kBegin);
    p.set_end(archivo.descriptor());
    gl(escrito ? MSJ_AFS_NO_GUARDA_2 : MSJ_AFS_NO_GUARDA_1);
    return false;
  }
  return true;
}
