// The capture from sales: stretches of the store in which a tank's level fell
// only through recorded sales give points of its volume curve, which the
// curve update then writes into the working table.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "app/CNivaraDlg.h"
#include "calibration/captura.h"
#include "calibration/curva.h"
#include "eventstore/suceso.h"
#include "foundation/archivo_entero.h"
#include "foundation/gl.h"
#include "foundation/mensajes.h"
#include "foundation/resumen.h"
#include "platform/platform.h"

namespace {

// The normalised slope of a horizontal cylinder's volume curve at each
// hundredth of its height, up to mid-height; the upper half mirrors it.
constexpr float kPendienteCilindro[51] = {
    0.000000f, 0.170103f, 0.309550f, 0.398814f, 0.469831f, 0.530129f, 0.583075f, 0.630536f,
    0.673677f, 0.713286f, 0.749923f, 0.784007f, 0.815857f, 0.845727f, 0.873819f, 0.900301f,
    0.925311f, 0.948964f, 0.971362f, 0.992587f, 1.012715f, 1.031810f, 1.049927f, 1.067117f,
    1.083423f, 1.098886f, 1.113541f, 1.127418f, 1.140546f, 1.152951f, 1.164656f, 1.175682f,
    1.186048f, 1.195771f, 1.204866f, 1.213348f, 1.221229f, 1.228522f, 1.235236f, 1.241380f,
    1.246964f, 1.251995f, 1.256479f, 1.260422f, 1.263829f, 1.266706f, 1.269054f, 1.270877f,
    1.272178f, 1.272958f, 1.273218f};
float pendiente_cilindro(int i) { return kPendienteCilindro[i <= 50 ? i : 100 - i]; }

// The cylinder's litres up to point 89 of 99 as a share of the full tank.
constexpr float kParteHasta89 = 0.9471826f;

constexpr float kSubidaDescarga = -5.0f;  // mm: a level this much higher took a delivery
constexpr float kFugaValvula = 6.0f;      // litres the gauge may lose between sales
constexpr float kSinRechazo = 0.0f;

// A snapshot's values as the capture uses them.
struct foto {
  float nivel, litros, merma;
};

bool es_corte(const uint8_t* r) {
  return tipo_suceso(r) == SUCESO_ARRANQUE || tipo_suceso(r) == SUCESO_NULO;
}

// The store's records as the capture reads them, by number, through a
// window that is read again wherever a walk goes: the walks keep to the
// records after the tank's mark and come back only a little way, so a
// window read now and then serves them. In the indexed walk the window also
// lists its records that count, the tank's own and the breaks, which are
// all any step looks at. Memory: the window and that list, never more.
class sucesos_captura {
 public:
  sucesos_captura(ventana_archivo& v, uint8_t tanque, recorrido modo)
      : v_(v),
        t_(tanque),
        indexado_(modo == recorrido::indexado),
        n_(static_cast<int64_t>(v.tamano() / kLargoSuceso)),
        capacidad_(static_cast<int64_t>(v.capacidad() / kLargoSuceso)) {
    // A store that fits the window is all in it already.
    if (v.desplazamiento() == 0 && v.largo() / kLargoSuceso >= static_cast<size_t>(n_)) {
      toma_ventana(0);
    }
  }

  int64_t n() const { return n_; }
  bool fallo() const { return fallo_; }

  // Record `i`, until the next call. After a failed read, a record of no
  // kind: every walk then runs out.
  const uint8_t* r(int64_t i) {
    if (i < base_ || i >= base_ + cuantos_)
      carga(i < base_ ? i + 1 - capacidad_ * 3 / 4 : i - capacidad_ / 4);
    if (fallo_) return kNinguno;
    return v_.datos() + (i - base_) * static_cast<int64_t>(kLargoSuceso);
  }

  // The first record at or after `i` that a walk looks at; n() when none.
  int64_t siguiente(int64_t i) {
    if (!indexado_) return i;
    while (i < n_ && !fallo_) {
      if (i < base_ || i >= base_ + cuantos_) carga(i - capacidad_ / 4);
      if (fallo_) break;
      const auto en =
          std::lower_bound(lista_.begin(), lista_.end(), static_cast<uint32_t>(i - base_));
      if (en != lista_.end()) return base_ + *en;
      i = base_ + cuantos_;
    }
    return n_;
  }

 private:
  static constexpr uint8_t kNinguno[kLargoSuceso] = {};

  // Reads the window from record `desde`, as far back as the store's end
  // allows.
  void carga(int64_t desde) {
    if (fallo_) return;
    desde = std::max<int64_t>(0, std::min(desde, n_ - capacidad_));
    if (!v_.lee_en(static_cast<uint64_t>(desde) * kLargoSuceso)) {
      fallo_ = true;
      cuantos_ = 0;
      return;
    }
    toma_ventana(desde);
  }

  void toma_ventana(int64_t base) {
    base_ = base;
    cuantos_ = static_cast<int64_t>(v_.largo() / kLargoSuceso);
    lista_.clear();
    if (!indexado_) return;
    for (int64_t k = 0; k < cuantos_; ++k) {
      const uint8_t* x = v_.datos() + k * static_cast<int64_t>(kLargoSuceso);
      if (tanque_suceso(x) == t_ || es_corte(x)) lista_.push_back(static_cast<uint32_t>(k));
    }
  }

  ventana_archivo& v_;
  const uint8_t t_;
  const bool indexado_;
  const int64_t n_;
  const int64_t capacidad_;      // records the window holds
  int64_t base_ = 0;             // the window's first record
  int64_t cuantos_ = 0;          // and how many it holds
  std::vector<uint32_t> lista_;  // indexed: the window's records that count
  bool fallo_ = false;
};

// One call over the store. The walks go over positions: every record in the
// plain walk, or only the records that count in the indexed one.
class captura {
 public:
  captura(CNivaraDlg& d, int tanque, sucesos_captura& s, recorrido modo)
      : d_(d), t_(static_cast<uint8_t>(tanque)), s_(s), n_(s.n()), modo_(modo) {}

  fin_captura recorre();

 private:
  enum class paso { sigue, otro_intento, fin };

  // The state an attempt may leave behind, besides the mark candidate.
  struct rastro {
    int64_t s_ultima;
    foto f1;
    bool valvula;
    float rechazo;
    bool operator==(const rastro& o) const {
      return s_ultima == o.s_ultima && f1.nivel == o.f1.nivel && f1.litros == o.f1.litros &&
             f1.merma == o.f1.merma && valvula == o.valvula && rechazo == o.rechazo;
    }
  };
  rastro estado() const { return {s_ultima_, f1_, valvula_dicha_, ultimo_rechazo_}; }

  // Positions are records; the walk steps from one that counts to the next.
  int64_t sig(int64_t p) const { return s_.siguiente(p + 1); }
  const uint8_t* r(int64_t i) const { return s_.r(i); }
  bool de_t(int64_t i, uint8_t tipo) const {
    return tipo_suceso(r(i)) == tipo && tanque_suceso(r(i)) == t_;
  }
  bool venta(int64_t i) const { return de_t(i, SUCESO_VENTA); }
  bool foto_t(int64_t i) const { return de_t(i, SUCESO_FOTO); }
  bool corte(int64_t i) const { return es_corte(r(i)); }
  float litros(int64_t i) const { return litros_venta(r(i)); }
  uint8_t status(int64_t i) const { return r(i)[campo_suceso::kFlags] & kFlagsStatus; }
  float nivel(int64_t i) const { return lee_real_le(r(i) + campo_suceso::kNivel); }
  foto lee_foto(int64_t i) const {
    const int16_t merma = static_cast<int16_t>(lee_u16_le(r(i) + campo_suceso::kMerma));
    return {nivel(i), litros_foto(r(i)), static_cast<float>(merma)};
  }
  fecha_bcd fecha(int64_t i) const {
    fecha_bcd f;
    std::memcpy(&f, fecha_suceso(r(i)), sizeof f);
    return f;
  }
  int32_t secs(int64_t a, int64_t b) const { return segundos_entre(fecha(a), fecha(b)); }
  std::string texto_fecha(int64_t i) const {
    char t[18];
    fecha_a_texto(t, fecha(i));
    return t;
  }

  int64_t reanuda() const;
  void da_inicio(int64_t i) {
    inicio_ = i;
    inicio_dado_ = true;
  }
  paso intento();
  paso camina(int64_t desde);  // from position `desde`
  paso final();
  paso capturado();

  CNivaraDlg& d_;
  const uint8_t t_;
  sucesos_captura& s_;
  const int64_t n_;  // positions end here
  const recorrido modo_;

  // Records, not positions: the attempt start and the mark go by records.
  int64_t inicio_ = 0;        // where the next attempt searches from
  bool inicio_dado_ = false;  // the attempt set where the next one starts
  int64_t marca_ = -1;        // the mark candidate
  bool resultado_ = false;
  bool valvula_dicha_ = false;
  float ultimo_rechazo_ = kSinRechazo;
  // The end candidate and its values live through the call.
  int64_t s_ultima_ = -1;
  foto f1_{0, 0, 0};
  // One attempt's, as records.
  int64_t v1_ = -1, v2_ = -1, s0_ = -1, v_ultima_ = -1, s_actual_ = -1;
  foto f0_{0, 0, 0};
  float suma_ = 0, qa_ = 0, qb_ = 0;
  bool vistas_ = false;
};

// From the last record back to the second: the first marked one of the tank
// or a break; else the first record.
int64_t captura::reanuda() const {
  for (int64_t i = n_ - 1; i >= 1; --i) {
    if ((r(i)[campo_suceso::kMarca] & kMarcaCaptura) != 0 &&
        (tanque_suceso(r(i)) == t_ || corte(i))) {
      return i;
    }
  }
  return 0;
}

fin_captura captura::recorre() {
  inicio_ = reanuda();
  for (;;) {
    const rastro antes = estado();
    inicio_dado_ = false;
    if (intento() == paso::fin) return {resultado_, marca_};
    // An attempt that left nothing behind would be made again, the same, from
    // every record up to its opening sale: the indexed walk goes on past it.
    if (modo_ == recorrido::indexado && !inicio_dado_ && estado() == antes) inicio_ = v1_;
    ++inicio_;
  }
}

// One attempt: the opening sale, the opening snapshot, the second sale, and
// the walk to an end.
captura::paso captura::intento() {
  int64_t p = s_.siguiente(inicio_);
  while (p < n_ && !(venta(p) && litros(p) >= 0)) p = sig(p);
  if (p >= n_) return paso::fin;
  v1_ = p;
  s0_ = -1;
  int64_t i;
  for (p = sig(p);; p = sig(p)) {
    if (p >= n_) return paso::fin;
    i = p;
    if (foto_t(i)) {
      if (s0_ < 0) {
        if (secs(v1_, i) >= -30) {
          s0_ = i;
          f0_ = lee_foto(i);
        }
      } else if (status(i) == 2) {
        marca_ = i;
        return paso::otro_intento;
      } else {
        s_ultima_ = i;
        f1_ = lee_foto(i);
      }
    } else if (venta(i)) {
      if (litros(i) < 0) {
        marca_ = i;
        return paso::otro_intento;
      }
      break;
    } else if (corte(i)) {
      da_inicio(i);
      marca_ = i;
      return paso::otro_intento;
    }
  }
  v2_ = i;
  if (s0_ < 0) {
    da_inicio(v2_);
    marca_ = v2_;
    return paso::otro_intento;
  }
  if (secs(s0_, v2_) < -30) {
    marca_ = v2_;
    return paso::otro_intento;
  }
  suma_ = 0;
  vistas_ = false;
  v_ultima_ = v2_;
  qa_ = qb_ = f0_.litros;
  return camina(p);
}

// From `desde` on, counting sales, to a snapshot whose fall from the opening
// level is one to three steps of the table.
captura::paso captura::camina(int64_t desde) {
  const float paso_mm = d_.calib.paso_mm;
  for (int64_t p = desde;; p = sig(p)) {
    if (p >= n_) return paso::fin;
    const int64_t i = p;
    if (venta(i)) {
      if (litros(i) < 0) {
        marca_ = v2_;
        return paso::otro_intento;
      }
      suma_ += litros(i);
      v_ultima_ = i;
      vistas_ = true;
      continue;
    }
    if (!foto_t(i)) continue;
    const float caida = f0_.nivel - nivel(i);
    if (status(i) == 2 || caida <= kSubidaDescarga || caida > 3 * paso_mm) {
      marca_ = v2_;
      return paso::otro_intento;
    }
    if (caida < paso_mm) {
      // Its values are taken only once it ends the stretch.
      s_ultima_ = i;
      if (vistas_) {
        vistas_ = false;
        qa_ = f1_.litros;
      }
      qb_ = f1_.litros;
      continue;
    }
    // No earlier snapshot to end at: nothing to judge the sales' timing by.
    if (s_ultima_ < 0) {
      marca_ = v2_;
      return paso::otro_intento;
    }
    const int32_t s = secs(v_ultima_, s_ultima_);
    if (s >= 90 || s <= -90) {
      s_ultima_ = i;
      continue;
    }
    s_actual_ = i;
    const paso q = final();
    if (q != paso::sigue) return q;
    s_ultima_ = s_actual_;
  }
}

// The end candidate's checks; sigue: the walk goes on after the current
// snapshot, which becomes the end candidate.
captura::paso captura::final() {
  f1_ = lee_foto(s_ultima_);
  if (!valvula_dicha_ && qb_ - qa_ > kFugaValvula) {
    gl(kTextoLibre, formatea("%s ccfa: T%d pierde la valvula %.1f Lts",
                             texto_fecha(v_ultima_).c_str(), t_ + 1, static_cast<double>(qb_ - qa_))
                        .c_str());
    valvula_dicha_ = true;
    marca_ = v2_;
    return paso::otro_intento;
  }
  if (secs(s0_, v2_) < 30) {
    marca_ = v2_;
    return paso::otro_intento;
  }
  // The first snapshot after the opening one, with at most one sale before it.
  int ventas = 0;
  int64_t p = sig(s0_);
  for (; p < n_ && !foto_t(p); p = sig(p)) ventas += venta(p);
  if (p >= n_) return paso::fin;
  if (ventas > 1 || secs(s0_, p) < 65) {
    marca_ = v2_;
    return paso::otro_intento;
  }
  // The next sale must not come too soon after the end.
  for (p = sig(v_ultima_); p < n_ && !venta(p); p = sig(p)) {
    if (corte(p)) {
      da_inicio(p);
      marca_ = v2_;
      return paso::otro_intento;
    }
  }
  if (p >= n_) return paso::fin;
  if (litros(p) < 0) {
    marca_ = v2_;
    return paso::otro_intento;
  }
  if (secs(s_ultima_, p) < 31) return paso::sigue;
  // Nor the next snapshot.
  for (p = sig(s_ultima_); p < n_ && !foto_t(p);) p = sig(p);
  if (p >= n_) return paso::fin;
  if (secs(s_ultima_, p) < 65) return paso::sigue;
  return capturado();
}

// The captured point: its text, the plausibility test, and the curve update.
captura::paso captura::capturado() {
  if (mes_suceso(r(s0_)) == mes_suceso(r(s_ultima_))) suma_ -= (f1_.merma - f0_.merma) / 10;
  const float l0 = f0_.nivel, l1 = f1_.nivel, caida = l0 - l1;
  std::string texto = formatea(
      "Captura T%d: %s  %.f-%.f= %.1f mm -- %.1f Surt -- %.1f Surt/mm -- %.1f Med/mm", t_ + 1,
      texto_fecha(s0_).c_str(), static_cast<double>(l0), static_cast<double>(l1),
      static_cast<double>(caida), static_cast<double>(suma_), static_cast<double>(suma_ / caida),
      static_cast<double>((f0_.litros - f1_.litros) / caida));
  marca_ = v_ultima_;

  const tabla_calib& tabla = d_.calib.tabla_trabajo;
  const int k = static_cast<int>(l1 / d_.calib.paso_mm);
  if (k >= kPuntosTabla - 1) {
    gl(MSJ_PCC_INDICE);
    return paso::fin;
  }
  const punto_calib* q = tabla.puntos;
  const float m = suma_ / caida;
  float ref = q[k].pendiente != 0 ? q[k].pendiente : q[k + 1].pendiente;
  float limite = 10;
  if (ref == 0) {
    ref = (q[k + 1].litros - q[k].litros) / (q[k + 1].mm - q[k].mm);
    limite = k <= 20 || k >= 80 ? 60 : k <= 30 || k >= 70 ? 35 : 20;
  }
  const float desvio = (m - ref) * 100 / ref;
  bool aceptado = desvio >= -limite && desvio <= limite;
  if (aceptado) {
    texto += formatea("  Adya=%.1f", static_cast<double>(ref));
  } else {
    // Nearer the shape of a cylinder than the table's own slope is?
    const float lleno = q[89].litros / kParteHasta89;
    const float teorica = lleno * pendiente_cilindro(k) / tabla.diametro_tank;
    texto += formatea("  Adya=%.1f  Teor=%.1f  full=%.f--%.f", static_cast<double>(ref),
                      static_cast<double>(teorica), static_cast<double>(tabla.capacidad),
                      static_cast<double>(lleno));
    aceptado = !(std::fabs(ref - teorica) < std::fabs(m - teorica));
  }
  if (!aceptado) {
    texto += " --NO--";
    if (l0 != ultimo_rechazo_) {
      gl(kTextoLibre, texto.c_str());
      ultimo_rechazo_ = l0;
    }
    marca_ = v2_;
    return paso::otro_intento;
  }
  texto += " --SI--";
  da_inicio(v_ultima_);
  gl(kTextoLibre, texto.c_str());
  d_.calib.captura = {l0, l1, suma_};
  if (!d_.pcc(t_)) return paso::fin;
  resultado_ = true;
  ++d_.calib.contador_captura[t_];
  return paso::otro_intento;
}

}  // namespace

fin_captura recorre_captura(CNivaraDlg& d, int tanque, ventana_archivo& v, recorrido modo) {
  sucesos_captura s(v, static_cast<uint8_t>(tanque), modo);
  return captura(d, tanque, s, modo).recorre();
}

fin_captura recorre_captura(CNivaraDlg& d, int tanque, const uint8_t* datos, int64_t n,
                            recorrido modo) {
  ventana_archivo v(datos, static_cast<size_t>(n) * kLargoSuceso);
  return recorre_captura(d, tanque, v, modo);
}

bool CNivaraDlg::ccfa(int tanque) {
  plat::Platform& p = plat::current();
  archivo_abierto archivo = archivo_abierto::abre(
      kArchivoSincro, plat::kReadWrite, plat::Share::kNone, plat::Creation::kOpenExisting);
  if (!archivo.abierto()) {
    gl(kTextoLibre, formatea("Error: ccfa: File open failed %d", p.last_error()).c_str());
    return false;
  }
  constexpr reglas_lectura kReglas{.tamano = MSJ_CCFA_SIN_TAMANO,
                                   .memoria = MSJ_EXIT_CCFA_MEMORIA,
                                   .salida = "Exit: ccfa",
                                   .lectura = MSJ_CCFA_NO_LEE};
  // A store that fits the window is read whole at once; a bigger one where
  // the walk goes, from its end back to the tank's mark first.
  ventana_archivo v;
  if (!v.reserva(archivo, kReglas)) return false;
  if (v.tamano() <= kVentanaLectura && !v.lee_primeros(v.capacidad())) return false;

  sucesos_captura s(v, static_cast<uint8_t>(tanque), recorrido::indexado);
  const fin_captura fin = captura(*this, tanque, s, recorrido::indexado).recorre();
  const int64_t marca = fin.marca;
  // A window that could not be read again ends the walk there, its failure
  // logged: no mark is written from a record that was not read.
  if (marca < 0 || s.fallo()) return fin.resultado;
  const int64_t donde = marca * static_cast<int64_t>(kLargoSuceso) + campo_suceso::kMarca;
  const uint8_t byte = s.r(marca)[campo_suceso::kMarca] | kMarcaCaptura;
  if (s.fallo()) return fin.resultado;
  if (!p.seek(archivo.descriptor(), donde, plat::Origin::kBegin)) {
    gl(MSJ_CCFA_NO_POSICIONA);
    return false;
  }
  uint32_t escritos = 0;
  if (!p.write(archivo.descriptor(), &byte, 1, &escritos)) {
    gl(MSJ_CCFA_NO_MARCA_1);
    return false;
  }
  if (escritos != 1) {
    gl(MSJ_CCFA_NO_MARCA_2);
    return false;
  }
  return fin.resultado;
}
