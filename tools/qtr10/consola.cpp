// The console engine: frames of one connection in, replies and faults out,
// tanks and clock moved on to the time of each call.
#include "qtr10/consola.h"

#include <algorithm>
#include <cstring>

#include "qtr10/respuestas.h"

namespace qtr10 {

namespace {

constexpr uint8_t kAcuseRechazo = 0x81;

}  // namespace

Consola::Consola(ConfigConsola config, Reloj reloj)
    : config_(std::move(config)),
      reloj_(std::move(reloj)),
      arranque_ms_(reloj_()),
      deriva_ms_(config_.deriva_s * 1000),
      playa_(config_.playa, config_.tanques, arranque_ms_) {
  fecha_bcd hoy = fecha_de_ms(arranque_ms_ + deriva_ms_);
  for (size_t i = 0; i < config_.tanques.size(); ++i) {
    tanques_.emplace_back(static_cast<uint8_t>(i), config_.tanques[i], arranque_ms_, hoy);
  }
  for (const DescargaProgramada& d : config_.descargas) programa_descarga(d);
}

void Consola::avanza() {
  int64_t ahora = reloj_();
  playa_.hasta(ahora, tanques_, deriva_ms_);
  for (Tanque& t : tanques_) t.avanza(ahora, deriva_ms_);
}

Tanque& Consola::tanque(int i) {
  avanza();
  return tanques_[static_cast<size_t>(i)];
}

void Consola::programa_descarga(const DescargaProgramada& d) {
  if (d.tanque >= tanques_.size()) return;
  avanza();
  Llenado l;
  l.inicio_ms = reloj_() + d.inicio_s * 1000;
  l.duracion_ms = static_cast<int64_t>(d.minutos * 60000);
  l.litros = d.litros;
  tanques_[d.tanque].agrega_llenado(l, deriva_ms_);
}

fecha_bcd Consola::reloj_consola() const { return fecha_de_ms(reloj_() + deriva_ms_); }

int Consola::cuenta(Clase c, bool solo_buenas) const {
  return static_cast<int>(std::count_if(
      recibidas_.begin(), recibidas_.end(),
      [&](const TramaRecibida& t) { return t.clase == c && (!solo_buenas || t.buena()); }));
}

bool Consola::acepta() {
  if (!config_.fallos.rechaza) return true;
  ++rechazadas_;
  return false;
}

std::vector<Salida> Consola::recibe(Sesion& s, const uint8_t* datos, size_t n) {
  s.entrada.insert(s.entrada.end(), datos, datos + n);
  std::vector<Salida> salidas;
  size_t pos = 0;
  while (pos < s.entrada.size()) {
    Clase clase;
    size_t largo = largo_trama(s.entrada.data() + pos, s.entrada.size() - pos, &clase);
    if (largo == 0 || largo > s.entrada.size() - pos) break;
    std::vector<uint8_t> trama(s.entrada.begin() + static_cast<ptrdiff_t>(pos),
                               s.entrada.begin() + static_cast<ptrdiff_t>(pos + largo));
    pos += largo;
    for (Salida& x : atiende(s, clase, trama)) {
      // A later frame's reply never overtakes an earlier one.
      if (!salidas.empty()) x.retardo_ms = std::max(x.retardo_ms, salidas.back().retardo_ms);
      salidas.push_back(std::move(x));
    }
  }
  s.entrada.erase(s.entrada.begin(), s.entrada.begin() + static_cast<ptrdiff_t>(pos));
  return salidas;
}

void Consola::cierra(Sesion& s) {
  if (!s.entrada.empty()) {
    Clase clase;
    largo_trama(s.entrada.data(), s.entrada.size(), &clase);
    recibidas_.push_back({reloj_(), clase, s.entrada, Defecto::kIncompleta});
    s.entrada.clear();
  }
  if (s.espera_venta) ++preguntas_sin_respuesta_;
  s.espera_venta = false;
}

std::vector<Salida> Consola::atiende(Sesion& s, Clase clase, const std::vector<uint8_t>& trama) {
  Defecto defecto = revisa_trama(clase, trama.data(), trama.size(), config_.codigo_acceso);
  recibidas_.push_back({reloj_(), clase, trama, defecto});
  if (defecto != Defecto::kNinguno) return {};
  const uint8_t* cuerpo = trama.data() + kPrefijo;
  if (clase == Clase::kVenta) {
    RespuestaVenta r = lee_respuesta_venta(cuerpo, trama.size() - kPrefijo);
    r.ms = reloj_();
    respuestas_venta_.push_back(r);
    s.espera_venta = false;
    return {};
  }

  Fallos& f = config_.fallos;
  const bool afecta = (f.comandos & bit(clase)) != 0 && f.veces != 0;
  if (afecta && f.veces > 0) --f.veces;
  // The command is carried out whatever becomes of its reply; only an error
  // acknowledgement means the console refused it.
  bool con_pregunta = false;
  std::vector<uint8_t> bytes =
      responde(clase, cuerpo, afecta && f.sumas_malas,
               afecta && f.acuse_error ? f.acuse_error : kAcuseBueno, &con_pregunta);
  if (bytes.empty() || (afecta && f.silencio)) return {};
  const int64_t retardo = afecta ? f.retardo_ms : 0;
  if (afecta && f.cierre_antes) return {Salida{clase, {}, retardo, true}};
  if (con_pregunta) s.espera_venta = true;

  const size_t trozos =
      std::clamp<size_t>(afecta ? static_cast<size_t>(std::max(f.trozos, 1)) : 1, 1, bytes.size());
  const size_t tam = (bytes.size() + trozos - 1) / trozos;
  std::vector<Salida> salidas;
  for (size_t i = 0, k = 0; i < bytes.size(); i += tam, ++k) {
    size_t fin = std::min(bytes.size(), i + tam);
    salidas.push_back(
        {clase,
         {bytes.begin() + static_cast<ptrdiff_t>(i), bytes.begin() + static_cast<ptrdiff_t>(fin)},
         retardo + static_cast<int64_t>(k) * (afecta ? f.pausa_trozos_ms : 0),
         false});
  }
  return salidas;
}

std::vector<uint8_t> Consola::responde(Clase clase, const uint8_t* cuerpo, bool sumas_malas,
                                       uint8_t codigo_acuse, bool* con_pregunta) {
  avanza();
  const bool rehusa = codigo_acuse != kAcuseBueno;
  switch (clase) {
    case Clase::kRW: {
      fecha_bcd reloj = reloj_consola();
      std::vector<ValoresTanque> v;
      for (const Tanque& t : tanques_) v.push_back(t.valores(reloj));
      const PreguntaVenta* p = config_.pregunta ? &*config_.pregunta : nullptr;
      *con_pregunta = p != nullptr;
      uint8_t forma = p && p->larga ? 'g' : 'G';
      return respuesta_inventario(forma, reloj, config_.version_registro, v, p, sumas_malas);
    }
    case Clase::kRDW: {
      const uint8_t m = config_.descargas_por_tanque;
      std::vector<Descarga> registros;
      for (const Tanque& t : tanques_) {
        for (size_t j = 0; j < m; ++j) {
          registros.push_back(j < t.descargas().size() ? t.descargas()[j] : Descarga{});
        }
      }
      return respuesta_descargas(static_cast<uint8_t>(tanques_.size()), m, registros, sumas_malas);
    }
    case Clase::kPRE: {
      fecha_bcd f;
      std::memcpy(&f, cuerpo + 3, 7);
      if (!fecha_valida(f)) return acuse(kAcuseRechazo);
      if (!rehusa) deriva_ms_ = ms_de_fecha(f) - reloj_();
      return acuse(codigo_acuse);
    }
    case Clase::kRCW:
      if (cuerpo[4] >= tanques_.size()) return acuse(kAcuseRechazo);
      return respuesta_tabla(tanques_[cuerpo[4]].tabla(), sumas_malas);
    case Clase::kPCW: {
      if (cuerpo[4] >= tanques_.size()) return acuse(kAcuseRechazo);
      if (!rehusa) {
        TablaConsola t;
        std::memcpy(t.data(), cuerpo + 5, kLargoTabla);
        tanques_[cuerpo[4]].programa_tabla(t);
      }
      return acuse(codigo_acuse);
    }
    case Clase::kPCT:
      if (!rehusa) ++turnos_;
      return acuse(codigo_acuse);
    case Clase::kVenta:
    case Clase::kDesconocida: break;
  }
  return {};
}

}  // namespace qtr10
