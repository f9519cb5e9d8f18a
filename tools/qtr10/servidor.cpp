// The console on a real TCP port: accepting, feeding the engine, writing
// its replies on time, and a line per frame on the output.
#include "qtr10/servidor.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <deque>
#include <memory>

namespace qtr10 {

namespace {

using Instante = std::chrono::steady_clock::time_point;

// Frames up to this long are printed whole in hex; longer ones only start.
constexpr size_t kHexEntero = 32;

std::string hex(const std::vector<uint8_t>& b, bool entero) {
  const size_t hasta = entero ? b.size() : std::min(b.size(), kHexEntero);
  std::string s;
  char x[4];
  for (size_t i = 0; i < hasta; ++i) {
    std::snprintf(x, sizeof x, i ? " %02x" : "%02x", b[i]);
    s += x;
  }
  if (hasta < b.size()) s += " ...";
  return s;
}

std::string linea_trama(int id, const TramaRecibida& t, bool entero) {
  char cabeza[96];
  std::snprintf(cabeza, sizeof cabeza, "%s #%d <- %s %zu %s  ", hora_texto(t.ms).c_str(), id,
                nombre_clase(t.clase), t.bytes.size(), nombre_defecto(t.defecto));
  return cabeza + hex(t.bytes, entero);
}

std::string linea_venta(int id, const RespuestaVenta& r) {
  char s[192];
  std::snprintf(s, sizeof s,
                "%s #%d    sale answer %s tank %d status %d litres %.1f %.1f %.1f codes %d %d %d",
                hora_texto(r.ms).c_str(), id, r.larga ? "long" : "short", r.tanque + 1, r.estado,
                static_cast<double>(r.litros[0]), static_cast<double>(r.litros[1]),
                static_cast<double>(r.litros[2]), r.codigos[0], r.codigos[1], r.codigos[2]);
  return s;
}

class Conexion : public std::enable_shared_from_this<Conexion> {
 public:
  Conexion(asio::ip::tcp::socket s, Consola& c, std::ostream& salida, int id, bool entero)
      : socket_(std::move(s)),
        espera_(socket_.get_executor()),
        consola_(c),
        salida_(salida),
        id_(id),
        entero_(entero) {}

  void empieza() {
    std::error_code ignorado;
    socket_.set_option(asio::ip::tcp::no_delay(true), ignorado);
    lee();
  }

 private:
  struct Pendiente {
    Instante cuando;
    Salida s;
  };

  void escribe(const std::string& linea) { salida_ << linea << std::endl; }

  void lee() {
    auto yo = shared_from_this();
    socket_.async_read_some(asio::buffer(entrada_), [this, yo](std::error_code ec, size_t n) {
      if (cerrada_) return;
      if (ec) {
        termina(ec == asio::error::eof ? "closed by the station" : "read failed: " + ec.message());
        return;
      }
      size_t antes = consola_.recibidas().size();
      size_t ventas = consola_.respuestas_venta().size();
      std::vector<Salida> salidas = consola_.recibe(sesion_, entrada_.data(), n);
      anota(antes, ventas);
      Instante ahora = std::chrono::steady_clock::now();
      for (Salida& s : salidas)
        cola_.push_back({ahora + std::chrono::milliseconds(s.retardo_ms), std::move(s)});
      sigue();
      lee();
    });
  }

  void anota(size_t desde, size_t ventas) {
    const auto& r = consola_.recibidas();
    for (size_t i = desde; i < r.size(); ++i) escribe(linea_trama(id_, r[i], entero_));
    const auto& v = consola_.respuestas_venta();
    for (size_t i = ventas; i < v.size(); ++i) escribe(linea_venta(id_, v[i]));
  }

  // Sends the queue in order, each item not before its time.
  void sigue() {
    if (ocupada_ || cerrada_ || cola_.empty()) return;
    auto yo = shared_from_this();
    Pendiente& p = cola_.front();
    if (p.cuando > std::chrono::steady_clock::now()) {
      ocupada_ = true;
      espera_.expires_at(p.cuando);
      espera_.async_wait([this, yo](std::error_code ec) {
        ocupada_ = false;
        if (!ec) sigue();
      });
      return;
    }
    if (p.s.cierra) {
      termina("closed by the console");
      return;
    }
    char cabeza[96];
    std::snprintf(cabeza, sizeof cabeza, "%s #%d -> %s %zu  ", hora_texto(reloj_local_ms()).c_str(),
                  id_, nombre_clase(p.s.clase), p.s.bytes.size());
    escribe(cabeza + hex(p.s.bytes, entero_));
    auto datos = std::make_shared<std::vector<uint8_t>>(std::move(p.s.bytes));
    cola_.pop_front();
    ocupada_ = true;
    asio::async_write(socket_, asio::buffer(*datos), [this, yo, datos](std::error_code ec, size_t) {
      ocupada_ = false;
      if (ec) {
        termina("write failed: " + ec.message());
        return;
      }
      sigue();
    });
  }

  void termina(const std::string& motivo) {
    if (cerrada_) return;
    cerrada_ = true;
    size_t antes = consola_.recibidas().size();
    consola_.cierra(sesion_);
    anota(antes, consola_.respuestas_venta().size());
    escribe(hora_texto(reloj_local_ms()) + " #" + std::to_string(id_) + " " + motivo);
    std::error_code ignorado;
    espera_.cancel();
    socket_.shutdown(asio::ip::tcp::socket::shutdown_both, ignorado);
    socket_.close(ignorado);
  }

  asio::ip::tcp::socket socket_;
  asio::steady_timer espera_;
  Consola& consola_;
  std::ostream& salida_;
  int id_;
  bool entero_;
  Sesion sesion_;
  std::array<uint8_t, 8192> entrada_{};
  std::deque<Pendiente> cola_;
  bool ocupada_ = false;
  bool cerrada_ = false;
};

}  // namespace

std::string hora_texto(int64_t ms) {
  int64_t dia = ((ms % 86400000) + 86400000) % 86400000;
  char s[16];
  std::snprintf(s, sizeof s, "%02d:%02d:%02d.%03d", static_cast<int>(dia / 3600000),
                static_cast<int>(dia / 60000 % 60), static_cast<int>(dia / 1000 % 60),
                static_cast<int>(dia % 1000));
  return s;
}

Servidor::Servidor(asio::io_context& io, Consola& consola, std::ostream& salida, bool entero)
    : consola_(consola), salida_(salida), entero_(entero), aceptor_(io), playa_(io) {}

std::string Servidor::abre(const std::string& direccion, unsigned puerto) {
  std::error_code ec;
  asio::ip::address ip = asio::ip::make_address(direccion, ec);
  if (ec) return "bad address " + direccion;
  asio::ip::tcp::endpoint punto(ip, static_cast<unsigned short>(puerto));
  aceptor_.open(punto.protocol(), ec);
  if (!ec) aceptor_.set_option(asio::socket_base::reuse_address(true), ec);
  if (!ec) aceptor_.bind(punto, ec);
  if (!ec) aceptor_.listen(asio::socket_base::max_listen_connections, ec);
  if (ec)
    return "cannot listen on " + direccion + ":" + std::to_string(puerto) + ": " + ec.message();
  acepta();
  return {};
}

unsigned Servidor::puerto() const {
  std::error_code ec;
  return aceptor_.local_endpoint(ec).port();
}

void Servidor::acepta() {
  aceptor_.async_accept([this](std::error_code ec, asio::ip::tcp::socket s) {
    if (ec) {
      if (ec == asio::error::operation_aborted) return;
      salida_ << hora_texto(reloj_local_ms()) << " accept failed: " << ec.message() << std::endl;
    } else {
      int id = ++conexiones_;
      if (!consola_.acepta()) {
        salida_ << hora_texto(reloj_local_ms()) << " #" << id << " refused" << std::endl;
        std::error_code ignorado;
        s.close(ignorado);
      } else {
        salida_ << hora_texto(reloj_local_ms()) << " #" << id << " connected" << std::endl;
        std::make_shared<Conexion>(std::move(s), consola_, salida_, id, entero_)->empieza();
      }
    }
    acepta();
  });
}

void Servidor::abre_playa() {
  anota_ventas();
  const int64_t t = consola_.proxima_venta_ms();
  if (t < 0) return;
  playa_.expires_after(std::chrono::milliseconds(std::max<int64_t>(0, t - reloj_local_ms())));
  playa_.async_wait([this](std::error_code ec) {
    if (ec) return;
    consola_.avanza();
    abre_playa();
  });
}

// The forecourt's lines since the last call, also those made when a
// connection ran the console up to date.
void Servidor::anota_ventas() {
  const std::vector<VentaHecha>& v = consola_.ventas_hechas();
  for (; ventas_vistas_ < v.size(); ++ventas_vistas_) {
    const VentaHecha& x = v[ventas_vistas_];
    char s[160];
    if (x.cierre()) {
      std::snprintf(s, sizeof s, "%s shift close", hora_texto(x.ms).c_str());
    } else {
      std::snprintf(s, sizeof s, "%s sale pump %d nozzle %d tank %d litres %.2f meter %.2f%s",
                    hora_texto(x.ms).c_str(), x.surtidor, x.pico, x.tanque,
                    static_cast<double>(x.litros), x.contador,
                    x.archivo_nuevo ? " (sales file begun afresh)" : "");
    }
    salida_ << s << std::endl;
  }
  Playa& playa = consola_.playa();
  if (playa.fallos() != fallos_vistos_) {
    fallos_vistos_ = playa.fallos();
    salida_ << hora_texto(reloj_local_ms())
            << " sale not made, the sales file cannot be written: " << playa.error() << std::endl;
  }
}

}  // namespace qtr10
