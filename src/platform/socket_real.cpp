// TCP client sockets on the real platform's Asio loop: a connect's outcome,
// waiting bytes and the peer's close become notifications.
#include "platform/socket_real.h"

#include <asio/connect.hpp>
#include <asio/ip/tcp.hpp>
#include <cerrno>

namespace plat {

namespace {

using asio::ip::tcp;

// The socket and its state live in a shared block so that completion
// handlers still queued after close() find it alive and see it closed.
struct State {
  explicit State(asio::io_context& io, SocketEvents* e) : socket(io), events(e) {}
  tcp::socket socket;
  SocketEvents* events;
  bool open = true;
};

void wait_readable(const std::shared_ptr<State>& s) {
  s->socket.async_wait(tcp::socket::wait_read, [s](const std::error_code& ec) {
    if (!s->open) return;
    if (ec) {
      s->events->socket_readable(ec.value());
      return;
    }
    std::error_code ec2;
    size_t waiting = s->socket.available(ec2);
    if (ec2) {
      s->events->socket_closed(ec2.value());
    } else if (waiting == 0) {
      s->events->socket_closed(0);  // readable with nothing to read: the peer closed
    } else {
      s->events->socket_readable(0);
      if (s->open) wait_readable(s);
    }
  });
}

class SocketAsio : public SocketBackend {
 public:
  explicit SocketAsio(std::shared_ptr<State> s) : s_(std::move(s)) {}
  ~SocketAsio() override { close(); }

  int connect(const char* address, unsigned port) override {
    std::error_code ec;
    asio::ip::address_v4 ip = asio::ip::make_address_v4(address, ec);
    if (ec || port > 65535) return EINVAL;
    auto s = s_;
    s->socket.async_connect(tcp::endpoint(ip, static_cast<uint16_t>(port)),
                            [s](const std::error_code& e) {
                              if (!s->open) return;
                              s->events->socket_connected(e.value());
                              if (!e && s->open) wait_readable(s);
                            });
    return 0;
  }

  int send(const void* buf, int n, int* error) override {
    std::error_code ec;
    size_t done = s_->socket.write_some(asio::buffer(buf, static_cast<size_t>(n)), ec);
    if (ec) {
      *error = ec.value();
      return -1;
    }
    return static_cast<int>(done);
  }

  int receive(void* buf, int n, int* error) override {
    std::error_code ec;
    size_t done = s_->socket.read_some(asio::buffer(buf, static_cast<size_t>(n)), ec);
    if (ec == asio::error::eof) return 0;
    if (ec) {
      *error = ec == asio::error::would_block ? EWOULDBLOCK : ec.value();
      return -1;
    }
    return static_cast<int>(done);
  }

  void close() override {
    if (!s_->open) return;
    s_->open = false;
    std::error_code ec;
    s_->socket.close(ec);
  }

 private:
  std::shared_ptr<State> s_;
};

}  // namespace

std::unique_ptr<SocketBackend> new_asio_socket(asio::io_context& io, SocketEvents* events) {
  auto s = std::make_shared<State>(io, events);
  std::error_code ec;
  s->socket.open(tcp::v4(), ec);
  if (!ec) s->socket.non_blocking(true, ec);
  if (ec) {
    errno = ec.value();
    return nullptr;
  }
  return std::make_unique<SocketAsio>(std::move(s));
}

}  // namespace plat
