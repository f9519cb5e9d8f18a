// The sales model of the station tests; see modelo_ventas.h.
#include "modelo_ventas.h"

#include <algorithm>
#include <cstdio>

#include "sales/controladores.h"

float litros_leidos(int32_t tipo, float litros) {
  // -L where the line marks a return, +L where its sign field carries no
  // rule, 0 where "-L" is written into a field that takes digits and dots.
  if (litros >= 0) return litros;
  switch (tipo) {
    case CONTROLADOR_WOLF:
    case CONTROLADOR_CALDEN_OIL:
    case CONTROLADOR_SVS_AXXUS: return litros;
    case CONTROLADOR_FUSION_WAYNE: return -litros;
    default: return 0;
  }
}

std::string sucesos_venta(const std::string& almacen) {
  std::string v;
  for (size_t i = 0; i + kLargoSuceso <= almacen.size(); i += kLargoSuceso) {
    if (almacen[i] == SUCESO_VENTA) v += almacen.substr(i, kLargoSuceso);
  }
  return v;
}

std::string describe_venta(const uint8_t* r) {
  const fecha_bcd& f = *reinterpret_cast<const fecha_bcd*>(fecha_suceso(r));
  char t[96];
  std::snprintf(t, sizeof t, "%02x/%02x %02x:%02x:%02x T%d %.2f %.2f", f.dia, f.mes, f.hora,
                f.minuto, f.segundo, tanque_suceso(r), static_cast<double>(litros_venta(r)),
                static_cast<double>(total_contador(r)));
  return t;
}

std::string diferencia(const std::string& a, const std::string& b) {
  auto linea = [](const std::string& d, size_t i) -> std::string {
    if (i + kLargoSuceso > d.size()) return "-";
    return describe_venta(reinterpret_cast<const uint8_t*>(d.data() + i));
  };
  size_t i = 0;
  while (i < std::min(a.size(), b.size()) && a.compare(i, kLargoSuceso, b, i, kLargoSuceso) == 0)
    i += kLargoSuceso;
  std::string s = "stored " + std::to_string(a.size() / kLargoSuceso) + ", expected " +
                  std::to_string(b.size() / kLargoSuceso) + "\n";
  for (size_t j = i < 2 * kLargoSuceso ? 0 : i - 2 * kLargoSuceso; j < i + 4 * kLargoSuceso;
       j += kLargoSuceso) {
    s += linea(a, j) + "   |   " + linea(b, j) + (j == i ? "   <--" : "") + "\n";
  }
  return s;
}

namespace {

// The line as the controller wrote it, and its length in the file.
surtidor::venta_surtidor escrita(const qtr10::VentaHecha& v) {
  return v.cierre()
             ? surtidor::cierre_de_turno(v.fecha)
             : surtidor::venta_surtidor{v.fecha,  v.surtidor, v.pico,
                                        v.tanque, v.litros,   static_cast<float>(v.contador)};
}

size_t largo_en_archivo(int32_t tipo, const surtidor::venta_surtidor& v) {
  return tipo == CONTROLADOR_SVS_AXXUS ? surtidor::registro_axxus(v).size()
                                       : surtidor::linea_venta(tipo, v).size();
}

bool se_recorta(int32_t tipo) {
  return tipo == CONTROLADOR_SVS_WIDE || tipo == CONTROLADOR_SVS_NARROW ||
         tipo == CONTROLADOR_SVS_WIDE_HN || tipo == CONTROLADOR_FUSION_WAYNE;
}

// A date's key as dd/mm/yy hh:mm:ss.
std::string texto(uint64_t k) {
  auto b = [k](int i) { return static_cast<unsigned>(k >> (8 * i) & 0xFF); };
  char t[24];
  std::snprintf(t, sizeof t, "%02x/%02x/%02x %02x:%02x:%02x", b(3), b(4), b(6), b(2), b(1), b(0));
  return t;
}

}  // namespace

ModeloVentas::ModeloVentas(int32_t tipo, const std::vector<surtidor::venta_surtidor>& previas,
                           const fecha_bcd& ultima)
    : tipo_(tipo), ultima_(clave_fecha(ultima)) {
  for (const surtidor::venta_surtidor& v : previas) {
    archivo_.push_back({clave_fecha(v.fecha), largo_en_archivo(tipo, v), -1});
    contadores_[{v.surtidor, v.pico}] = {v.tanque, v.contador};
  }
}

int ModeloVentas::cuenta(destino d) const {
  return static_cast<int>(std::count(destinos_.begin(), destinos_.end(), d));
}

void ModeloVentas::error(const std::string& t) {
  char cuando[18];
  fecha_a_texto(cuando, ahora_);
  errores_.push_back(std::string(cuando) + ": " + t);
}

void ModeloVentas::escribe(const qtr10::VentaHecha& v, int indice) {
  destinos_.push_back(destino::pendiente);
  if (v.archivo_nuevo) {
    for (const linea& l : archivo_) {
      if (l.indice >= 0 && destinos_[l.indice] == destino::pendiente) {
        destinos_[l.indice] = destino::borrada;
      }
    }
    archivo_.clear();
  }
  archivo_.push_back({clave_fecha(v.fecha), largo_en_archivo(tipo_, escrita(v)), indice});
  cambio_ = cambio::si;
}

void ModeloVentas::toma(const qtr10::VentaHecha& v, int indice) {
  destinos_[indice] = destino::tomada;
  if (v.cierre()) {
    esperado_.otro(SUCESO_VENTA, v.fecha, kTanqueCierreTurno);
    ++cierres;
    return;
  }
  contadores_[{v.surtidor, v.pico}] = {v.tanque, static_cast<float>(v.contador)};
  devoluciones += v.litros < 0;
  // WOLF's events carry the sum of the tank's meters, in pump and nozzle
  // order; the others none.
  float total = -1.0f;
  if (tipo_ == CONTROLADOR_WOLF) {
    total = 0.0f;
    for (const auto& [par, lectura] : contadores_) {
      if (lectura.first == v.tanque) total += lectura.second;
    }
  }
  esperado_.venta(v.fecha, static_cast<uint8_t>(v.tanque - 1), litros_leidos(tipo_, v.litros),
                  total);
}

void ModeloVentas::situa(destino d) {
  for (const linea& l : archivo_) {
    if (l.indice < 0) continue;
    destino& x = destinos_[l.indice];
    if (x == destino::tomada) continue;
    x = l.clave > ultima_ ? destino::pendiente : x == destino::pendiente ? d : x;
  }
}

void ModeloVentas::lectura(const std::vector<qtr10::VentaHecha>& hechas, const Vista& v) {
  ahora_ = v.ahora;
  for (size_t i = destinos_.size(); i < hechas.size(); ++i) {
    escribe(hechas[i], static_cast<int>(i));
  }
  size_t primera = 0;  // the first line newer than the last sale
  while (primera < archivo_.size() && archivo_[primera].clave <= ultima_) ++primera;
  const bool hay = primera < archivo_.size();
  const bool vieja = !archivo_.empty() && archivo_.front().clave < ultima_;
  // Taken or passed over, a read to the end leaves the newest line's date.
  const uint64_t completa = hay ? archivo_.back().clave : ultima_;
  const uint64_t vista = clave_fecha(v.ultima);
  bool bien;
  if (v.perturbada) {
    bien = vista == ultima_ || (!vieja && vista == completa);
    for (size_t k = primera; vieja && k < archivo_.size(); ++k)
      bien = bien || vista == archivo_[k].clave;
  } else {
    bien = cambio_ == cambio::no   ? vista == ultima_
           : cambio_ == cambio::si ? vista == completa
                                   : vista == ultima_ || vista == completa;
  }
  if (!bien) {
    error("last sale " + texto(vista) + " after a read from " + texto(ultima_) + ", not " +
          texto(completa));
  }
  bool cierre_al_final = false;
  for (size_t k = primera;
       vieja && vista != ultima_ && k < archivo_.size() && archivo_[k].clave <= vista; ++k) {
    const qtr10::VentaHecha& h = hechas[static_cast<size_t>(archivo_[k].indice)];
    toma(h, archivo_[k].indice);
    cierre_al_final = h.cierre() && k + 1 == archivo_.size();
  }
  const bool pasada = hay && !vieja && vista != ultima_;
  ultima_ = vista;
  if (pasada) situa(destino::pasada);
  // A full read reaches the newest line when the file holds an older one;
  // then it cuts, unless a shift close it took is the newest line.
  size_t tamano = 0;
  for (const linea& l : archivo_) tamano += l.largo;
  const bool estricta = !v.perturbada && cambio_ != cambio::quiza;
  const bool corte = cambio_ == cambio::si && vieja && !cierre_al_final && tamano > 32768 &&
                     (se_recorta(tipo_) || tipo_ == CONTROLADOR_SVS_AXXUS);
  mira_archivo(v.tamano, corte, estricta);
  cambio_ = v.perturbada ? cambio::quiza : cambio::no;
}

void ModeloVentas::mira_archivo(int64_t tamano, bool corte_esperado, bool estricta) {
  size_t suma = 0;
  for (const linea& l : archivo_) suma += l.largo;
  std::vector<linea> queda = archivo_;
  if (tamano < 0 && tipo_ == CONTROLADOR_SVS_AXXUS) {
    queda.clear();
  } else if (tamano >= 0 && static_cast<size_t>(tamano) == suma) {
    // as it was
  } else if (se_recorta(tipo_) && !archivo_.empty() &&
             static_cast<size_t>(tamano) == primera_linea().largo) {
    queda = {primera_linea()};
  } else {
    error("sales file of " + std::to_string(tamano) + " bytes, not " + std::to_string(suma));
    return;
  }
  const bool cortado = queda.size() != archivo_.size();
  if (estricta && cortado != corte_esperado) {
    error(corte_esperado ? "the sales file was not cut" : "the sales file was cut");
  }
  for (const linea& l : archivo_) {
    const bool sigue = std::any_of(queda.begin(), queda.end(),
                                   [&](const linea& q) { return q.indice == l.indice; });
    if (!sigue && l.indice >= 0 && destinos_[l.indice] == destino::pendiente) {
      error("a sale not yet read was cut away");
    }
  }
  archivo_ = std::move(queda);
}

void ModeloVentas::relectura(const Vista& v, bool apartado) {
  ahora_ = v.ahora;
  const std::string& d = esperado_.datos;
  const uint64_t del_almacen =
      d.empty() ? clave_fecha(v.ahora)
                : clave_fecha(fecha_suceso(esperado_.bytes() + d.size() - kLargoSuceso));
  const uint64_t vista = clave_fecha(v.ultima);
  // With the store unreadable, or part of it set aside, the clock's date.
  const bool bien =
      vista == del_almacen || apartado || (v.perturbada && vista == clave_fecha(v.ahora));
  if (!bien) {
    error("last sale " + texto(vista) + " from the store, not " + texto(del_almacen));
  }
  ultima_ = vista;
  situa(destino::olvidada);
}
