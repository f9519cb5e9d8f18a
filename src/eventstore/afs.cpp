#include <cstdint>
#include <string>

#include "app/CNivaraDlg.h"
#include "eventstore/reemplazo.h"
#include "eventstore/suceso.h"
#include "foundation/afe.h"
#include "foundation/catalogo.h"
#include "foundation/gl.h"
#include "foundation/mensajes.h"
#include "platform/plataforma.h"

namespace {

// Opens the store exclusively, creating it empty when missing; reports a
// failure with message 65 and its text as the last store error.
int abre_sincro(std::string* error) {
  int archivo = plat::sistema().open(kArchivoSincro, plat::kReadWrite, plat::Share::kNone,
                                     plat::Creation::kOpenAlways);
  if (archivo == plat::kInvalidFile) {
    gl(MSJ_AFS_NO_ABRE_SINCRO);
    char texto[128];
    texto_mensaje(MSJ_AFS_NO_ABRE_SINCRO, texto);
    *error = texto;
  }
  return archivo;
}

// Drops every record before the first one, from the second on, of the kept
// months. Takes the open store; returns the handle to append to, or
// kInvalidFile after a reported failure (nothing left open).
int retiene(int archivo, const uint8_t meses[3], std::string* error) {
  plat::Platform& p = plat::sistema();
  if (!p.seek(archivo, 0, plat::Origin::kBegin)) {
    p.close(archivo);
    gl(MSJ_AFS_NO_POSICIONA_1);
    return plat::kInvalidFile;
  }
  uint64_t tamano = 0;
  if (!p.size(archivo, &tamano)) {
    p.close(archivo);
    gl(MSJ_AFS_SIN_TAMANO);
    return plat::kInvalidFile;
  }
  auto* datos = static_cast<uint8_t*>(p.alloc(static_cast<size_t>(tamano)));
  if (datos == nullptr) {
    p.close(archivo);
    sale(MSJ_EXIT_AFS_MEMORIA, "Exit: afs: 2");
  }
  // Rewriting from a partial copy would lose the unread tail.
  uint32_t leidos = 0;
  if (tamano > UINT32_MAX ||
      !p.read(archivo, datos, static_cast<uint32_t>(tamano), &leidos) || leidos != tamano) {
    p.close(archivo);
    p.free(datos);
    gl(MSJ_AFS_NO_REGRABA);
    return plat::kInvalidFile;
  }
  const size_t desde = primer_retenido(datos, leidos, meses);
  if (desde == leidos) {
    p.close(archivo);
    p.free(datos);
    gl(MSJ_AFS_MES_VIEJO);
    return abre_sincro(error);
  }
  // The old store stays locked until the new one has replaced it.
  int nuevo = reemplaza_sincro(datos + desde, static_cast<uint32_t>(leidos - desde),
                               {.crear = MSJ_AFS_NO_RECREA, .escribir = MSJ_AFS_NO_REGRABA, .corto = MSJ_AFS_CORTO});
  p.free(datos);
  p.close(archivo);
  return nuevo;
}

}  // namespace

// Appends one event of the given kind to the event store, keeping three months.
bool CNivaraDlg::afs(char tipo, uint8_t indice) {
  plat::Platform& p = plat::sistema();
  sincro.ultimo_error.clear();
  int archivo = abre_sincro(&sincro.ultimo_error);
  if (archivo == plat::kInvalidFile) return false;

  uint8_t primero[kLargoSuceso] = {};
  uint32_t leidos = 0;
  unsigned mes_viejo = 0;
  if (!p.read(archivo, primero, kLargoSuceso, &leidos) || leidos == 0) {
    gl(MSJ_AFS_VACIO);
  } else {
    mes_viejo = bcd_a_bin(primero[6]);
  }

  fecha_bcd ahora;
  fecha_actual(&ahora);
  uint8_t meses[3];
  meses_retenidos(bcd_a_bin(ahora.mes), meses);
  // By month number only: the year is never looked at.
  if (mes_viejo != bcd_a_bin(meses[0]) && mes_viejo != bcd_a_bin(meses[1]) &&
      mes_viejo != bcd_a_bin(meses[2])) {
    archivo = retiene(archivo, meses, &sincro.ultimo_error);
    if (archivo == plat::kInvalidFile) return false;
  }

  uint64_t fin = 0;
  if (!p.seek(archivo, 0, plat::Origin::kEnd, &fin)) {
    p.close(archivo);
    gl(MSJ_AFS_NO_POSICIONA);
    return false;
  }

  uint8_t registro[kLargoSuceso];
  const auto clase = static_cast<uint8_t>(tipo);
  if (clase == SUCESO_FOTO && indice < kTanquesConsola) {
    suceso_foto(resp.tanques[indice], indice, sincro.foto_programada != 0,
                sincro.foto_autclb != 0, registro);
  } else if (clase == SUCESO_VENTA) {
    suceso_venta(sincro.venta_actual, registro);
  } else if (clase == SUCESO_ARRANQUE) {
    fecha_actual(&ahora);
    suceso_arranque(ahora, indice, registro);
  } else if (clase == SUCESO_NULO) {
    p.close(archivo);
    return true;
  } else {
    // Also a snapshot of no tank (no table being programmed gives 255).
    gl(MSJ_AFS_DESCONOCIDO);
    p.close(archivo);
    return false;
  }

  uint32_t escritos = 0;
  const bool escrito = p.write(archivo, registro, kLargoSuceso, &escritos);
  if (!escrito || escritos != kLargoSuceso) {
    // A piece of a record would put every later record out of step.
    p.seek(archivo, static_cast<int64_t>(fin), plat::Origin::kBegin);
    p.set_end(archivo);
    p.close(archivo);
    gl(escrito ? MSJ_AFS_NO_GUARDA_2 : MSJ_AFS_NO_GUARDA_1);
    return false;
  }
  p.close(archivo);
  return true;
}
