// The sales file reader: every 30 seconds it takes the sales that are newer
// than the last one stored, oldest first, into the event store, and keeps
// the controller's file from growing without bound.
#include <cstdint>
#include <string>
#include <string_view>

#include "app/CNivaraDlg.h"
#include "foundation/afe.h"
#include "foundation/archivo_entero.h"
#include "foundation/catalogo.h"
#include "foundation/gl.h"
#include "foundation/mensajes.h"
#include "foundation/resumen.h"
#include "platform/platform.h"
#include "sales/axxus.h"
#include "sales/controladores.h"
#include "sales/registros.h"
#include "sales/reglas_venta.h"

namespace {

// Above this size the controller's file is cut back (SVS, FUSION WAYNE) or
// deleted (SVS AXXUS) once it has been read.
constexpr uint64_t kTamanoMaximo = 32768;
constexpr size_t kLargoCredencial = 15;  // share user and password

// Controllers whose file is cut back to its first line.
bool se_recorta(int32_t tipo) {
  return tipo == CONTROLADOR_SVS_WIDE || tipo == CONTROLADOR_SVS_NARROW ||
         tipo == CONTROLADOR_SVS_WIDE_HN || tipo == CONTROLADOR_FUSION_WAYNE;
}

// What storing one record came to.
enum class guardado {
  fin,         // the run ends here
  sin_tanque,  // skipped: no tank draws from its pump and nozzle
  venta,       // a sale stored; the last sale date is now its date
  cierre,      // a shift close stored
};

// Where a record says its fuel came from.
struct origen {
  enum { venta, cierre, fin } clase = venta;  // fin: the run ends (reported)
  int32_t surtidor = 0;
  int32_t pico = 0;
  int32_t tanque = -1;  // -1: no tank

  static origen termina() { return {fin}; }
};

// One run of the reader. The file it holds open is closed when the run
// ends, whichever way it ends.
class lectura_ventas {
 public:
  explicit lectura_ventas(CNivaraDlg& d) : d_(d) {}
  void corre();

 private:
  bool abre();
  bool abre_convertido();
  bool toma_tamano();
  bool busca(int64_t* pos);
  bool alcanza(int64_t pos);
  guardado guarda(const fecha_bcd& fecha);
  origen lee_origen();
  guardado cierra_turno(const fecha_bcd& fecha);
  void ordena_archivo();
  const fila_controlador& fila() const { return *lector_.fila; }

  CNivaraDlg& d_;
  archivo_abierto archivo_;
  uint64_t tamano_ = 0;  // as the run found it: later appends wait for the next run
  lector_ventas lector_{plat::kInvalidFile, nullptr, {}};
  fecha_bcd nueva_{};              // the newest record's date
  bool convertido_entero_ = true;  // SVS AXXUS: this run's text was written whole
};

void lectura_ventas::corre() {
  d_.ventas.texto_estado.clear();
  if (!abre()) return;
  if (!lector_.formato_correcto()) {
    gl(MSJ_LFV_VENTAS_INCORRECTO);
    char texto[128];
    texto_mensaje(MSJ_LFV_VENTAS_INCORRECTO, texto);
    d_.ventas.texto_estado = texto;
    return;
  }
  int64_t pos = fila().orden == 1 ? lector_.ultimo(tamano_) : 0;
  if (pos < 0) return;
  if (!lector_.lee(pos, &nueva_)) {
    gl(MSJ_LFV_FECHA);
    return;
  }
  if (busca(&pos) && alcanza(pos)) ordena_archivo();
}

// The share, the file, the change test, its size and layout row, and for
// SVS AXXUS the conversion. False when the run ends here.
bool lectura_ventas::abre() {
  plat::Platform& p = plat::current();
  const std::string ruta = ruta_ventas(d_.config);
  // Connected on every run: a share that went away shows in the log at once.
  if (en_recurso_compartido(ruta) &&
      !p.connect_share(recurso_de(ruta).c_str(),
                       d_.config.usuario().substr(0, kLargoCredencial).c_str(),
                       d_.config.password().substr(0, kLargoCredencial).c_str())) {
    gl(kTextoLibre, formatea("Error: lfv: WNetAddConnection2 failed %d", p.last_error()).c_str());
    return false;
  }
  // A file that is cut back after reading needs write access for the cut.
  const int32_t tipo = d_.config.controlador();
  archivo_ = archivo_abierto::abre(ruta.c_str(), se_recorta(tipo) ? plat::kReadWrite : plat::kRead,
                                   plat::Share::kRead, plat::Creation::kOpenExisting);
  if (!archivo_.abierto()) {
    gl(kTextoLibre, formatea("Error: lfv: File open failed %d", p.last_error()).c_str());
    return false;
  }
  int64_t hora = 0;
  if (!p.file_time(archivo_.descriptor(), &hora)) {
    gl(MSJ_LFV_SIN_HORA);
    return false;
  }
  if (hora == d_.ventas.hora_vista) return false;
  gl(MSJ_VENTAS_ACTUALIZADO);
  // At once: a run that fails from here on reads the file again only once
  // the controller has written it again.
  d_.ventas.hora_vista = hora;
  if (!toma_tamano()) return false;
  lector_.fila = busca_controlador(tipo);
  if (lector_.fila == nullptr) {
    gl(MSJ_LFV_CONTROLADOR);
    return false;
  }
  if (tipo == CONTROLADOR_SVS_AXXUS && !abre_convertido()) return false;
  lector_.archivo = archivo_.descriptor();
  return true;
}

// SVS AXXUS: the controller's binary file converted, and "my_axxus.txt"
// read in its place. False when the run ends here.
bool lectura_ventas::abre_convertido() {
  plat::Platform& p = plat::current();
  archivo_.cierra();
  if (!d_.gma(&convertido_entero_)) return false;
  archivo_ = archivo_abierto::abre(kArchivoAxxus, plat::kReadWrite, plat::Share::kNone,
                                   plat::Creation::kOpenExisting);
  if (!archivo_.abierto()) {
    gl(kTextoLibre, formatea("Error: lfv: Open my_axxus.txt failed %d", p.last_error()).c_str());
    return false;
  }
  // A controller file shorter than one record converts to nothing: no sale
  // yet, as with an empty sales file, rather than a wrong layout.
  return toma_tamano();
}

// The size of the file in hand, kept for the housekeeping at the end; false
// (reported) when it cannot be had or the file is empty.
bool lectura_ventas::toma_tamano() {
  if (!plat::current().size(archivo_.descriptor(), &tamano_)) {
    gl(MSJ_LFV_SIN_TAMANO);
    return false;
  }
  if (tamano_ == 0) {
    gl(MSJ_LFV_VACIO);
    return false;
  }
  return true;
}

// From the newest record towards the oldest, to the first one older than
// the last sale; true with `*pos` there. With none, the file was started
// anew: its sales are not taken, and the last sale date jumps to its newest.
bool lectura_ventas::busca(int64_t* pos) {
  for (;;) {
    if (fila().orden == 0 && static_cast<uint64_t>(*pos) >= tamano_) break;
    fecha_bcd fecha;
    if (!lector_.lee(*pos, &fecha)) {
      gl(MSJ_LFV_FECHA);
      return false;
    }
    if (comparar_fecha(fecha, d_.ventas.ultima_venta) < 0) return true;
    *pos = lector_.hacia_viejo();
    if (*pos < 0) break;
  }
  d_.ventas.ultima_venta = nueva_;
  return false;
}

// From `pos` towards the newest end, storing every record newer than the
// last sale. True when the end of the file was reached.
bool lectura_ventas::alcanza(int64_t pos) {
  for (;;) {
    if (fila().orden == 1 && static_cast<uint64_t>(pos) >= tamano_) return false;
    fecha_bcd fecha;
    if (!lector_.lee(pos, &fecha)) {
      gl(MSJ_LFV_FECHA);
      return false;
    }
    // Of records in the same second only the first is taken: the last sale
    // date has moved to it.
    if (comparar_fecha(fecha, d_.ventas.ultima_venta) > 0) {
      const guardado g = guarda(fecha);
      if (g == guardado::fin) return false;
      // A shift close as the newest record leaves the file as it is.
      if (g == guardado::cierre) {
        pos = lector_.hacia_nuevo();
        if (pos < 0) return false;
        continue;
      }
    }
    pos = lector_.hacia_nuevo();
    if (pos < 0) return true;
  }
}

// Where the record in hand says the fuel came from.
origen lectura_ventas::lee_origen() {
  const fila_controlador& f = fila();
  const std::string_view r = lector_.registro();
  auto entero = [&](int32_t campo) { return campo_entero(r, campo, f.separador); };
  origen o;
  if (f.campo_tanque >= 0) {
    const int32_t numero = entero(f.campo_tanque);
    if (numero < 0) return origen::termina();
    if (numero > kTanqueMaximo) {
      gl(MSJ_LFV_TANQUE);
      return origen::termina();
    }
    o.tanque = numero - 1;
    // The tank field said none. The line names the pump and nozzle where the
    // layout has them (PETROSOFT_X_TANQUE), so the sale can be found; 0 and
    // 0 where it has none (PIRCAL).
    if (o.tanque < 0 && f.campo_surtidor >= 0) {
      o.surtidor = entero(f.campo_surtidor);
      o.pico = entero(f.campo_pico);
    }
    return o;
  }
  o.surtidor = entero(f.campo_surtidor);
  if (o.surtidor < 0) return origen::termina();
  if (o.surtidor > kSurtidorMaximo && o.surtidor != kCierreDeTurno) {
    gl(MSJ_LFV_SURTIDOR);
    return origen::termina();
  }
  o.pico = entero(f.campo_pico);
  if (o.pico < 0) return origen::termina();
  if (o.pico > pico_maximo(f.tipo)) {
    if (o.pico != kCierreDeTurno) {
      gl(MSJ_LFV_SURTIDOR);
      return origen::termina();
    }
    if (o.surtidor != kCierreDeTurno) {
      gl(MSJ_LFV_CIERRE_TURNO_MAL);
      return origen::termina();
    }
    return {origen::cierre};
  }
  o.tanque = tanque_del_par(d_.config, f.tipo, o.surtidor, o.pico);
  return o;
}

// The record in hand as a sale: its tank, litres and meter total, the sale
// line in the journal and the log, the event in the store.
guardado lectura_ventas::guarda(const fecha_bcd& fecha) {
  const fila_controlador& f = fila();
  const std::string_view r = lector_.registro();
  venta& v = d_.sincro.venta_actual;
  v.fecha = fecha;

  const origen o = lee_origen();
  if (o.clase == origen::fin) return guardado::fin;
  if (o.clase == origen::cierre) return cierra_turno(fecha);
  if (o.tanque < 0) {
    gl(kTextoLibre, formatea("Error: lfv: S%d - P%d sin tanque", o.surtidor, o.pico).c_str());
    return guardado::sin_tanque;
  }
  v.tanque = static_cast<uint8_t>(o.tanque);

  const int32_t signo = f.campo_signo >= 0 ? campo_entero(r, f.campo_signo, f.separador) : 0;
  const float litros = campo_real(r, f.campo_litros, f.separador);
  if (litros == -1.0f) return guardado::fin;  // the reader has logged it
  v.litros = litros_con_signo(f.tipo, signo, litros);

  v.total_contador = -1.0f;
  if (f.campo_contador >= 0) {
    const float lectura = campo_real(r, f.campo_contador, f.separador);
    if (lectura == -1.0f) return guardado::fin;
    const int i = indice_contador(o.surtidor, o.pico);
    if (i < 0) {
      gl(MSJ_LFV_SURTXPIC);
      return guardado::fin;
    }
    d_.ventas.tabla_contadores[i] = lectura;
    v.total_contador = total_contador_tanque(d_.config, o.tanque, d_.ventas.tabla_contadores);
  }

  char texto[18];
  fecha_a_texto(texto, fecha);
  const auto litros_linea = static_cast<double>(v.litros);
  const std::string linea =
      f.campo_tanque >= 0
          ? formatea("- %s  Venta Tanque %d  Litros %.1f", texto, o.tanque + 1, litros_linea)
          : formatea("- %s  Venta T%d  S%d P%d  Litros %.1f", texto, o.tanque + 1, o.surtidor,
                     o.pico, litros_linea);
  afe(linea.c_str());
  gl(kTextoLibre, linea.c_str());

  if (!d_.afs(SUCESO_VENTA, 0)) return guardado::fin;
  if (d_.config.genera(o.tanque) != 0) d_.Autclb(o.tanque);
  d_.ventas.ultima_venta = fecha;
  return guardado::venta;
}

// A shift close: its own sale event (tank 99, no litres), and the console is
// asked to print the shift report.
guardado lectura_ventas::cierra_turno(const fecha_bcd& fecha) {
  gl(MSJ_LFV_CIERRE_TURNO);
  d_.prog.pendiente_PCT = 1;
  d_.sincro.venta_actual = {fecha, kTanqueCierreTurno, 0.0f, 0.0f};
  if (!d_.afs(SUCESO_VENTA, 0)) return guardado::fin;
  d_.ventas.ultima_venta = fecha;
  return guardado::cierre;
}

// After the file has been read to its end: the controller's file must not
// grow without bound.
void lectura_ventas::ordena_archivo() {
  plat::Platform& p = plat::current();
  const int32_t tipo = fila().tipo;
  if (se_recorta(tipo)) {
    if (tamano_ <= kTamanoMaximo) return;
    gl(MSJ_SVS_RECORTADO);
    // Only the first (oldest) line and its line end stay: the next search
    // stops at it at once. No second line, or a cut that fails, leaves the
    // file whole and says so as a failed positioning does.
    int64_t corte = -1;
    if (lee_trozo(lector_.archivo, 0, &lector_.trozo)) {
      corte = registro_siguiente(lector_.archivo, &lector_.trozo, 0);
    }
    if (corte < 0 || !p.seek(lector_.archivo, corte, plat::Origin::kBegin) ||
        !p.set_end(lector_.archivo)) {
      gl(MSJ_FILE_NO_RESIZED);
    }
  } else if (tipo == CONTROLADOR_SVS_AXXUS) {
    archivo_.cierra();
    // A conversion that was not written whole left the last text to read:
    // the controller's file holds sales that text lacks, and stays until a
    // conversion is whole.
    if (!convertido_entero_) return;
    const std::string ruta = ruta_ventas(d_.config);
    archivo_abierto controlador = archivo_abierto::abre(
        ruta.c_str(), plat::kReadWrite, plat::Share::kNone, plat::Creation::kOpenExisting);
    if (!controlador.abierto()) {
      gl(kTextoLibre, formatea("Error: lfv: File REopen failed %d", p.last_error()).c_str());
      return;
    }
    // Without its size the file is not deleted: it is tried again next time.
    uint64_t tamano = 0;
    if (!p.size(controlador.descriptor(), &tamano)) {
      gl(MSJ_LFV_SIN_TAMANO);
      return;
    }
    controlador.cierra();
    if (tamano <= kTamanoMaximo) return;
    // Say so when the file stays: the log must not claim it was deleted.
    if (p.remove(ruta.c_str())) {
      gl(MSJ_AXXUS_BORRADO);
    } else {
      gl(kTextoLibre, formatea("Error: lfv: DeleteFile failed %d", p.last_error()).c_str());
    }
  }
}

}  // namespace

// Reads the sales records newer than the last stored sale and stores them.
void CNivaraDlg::lfv() { lectura_ventas(*this).corre(); }
