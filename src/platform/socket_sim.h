// Simulated TCP connections on the simulated platform's virtual clock: the
// far end is an in-process peer (a console simulator in the station tests).
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/socket.h"

namespace plat {

class SimPlatform;
struct SimConnection;

// A connection as its far end sees it.
class SimLink {
 public:
  explicit SimLink(std::weak_ptr<SimConnection> c) : c_(std::move(c)) {}
  // Bytes to the station, arriving `delay_ms` after the latency, and never
  // before bytes sent earlier.
  void send(std::vector<uint8_t> bytes, int64_t delay_ms = 0);
  // The far end closes, after what it sent before.
  void close(int64_t delay_ms = 0);
  bool open() const;

 private:
  std::weak_ptr<SimConnection> c_;
};

// One connection's far end.
class SimPeer {
 public:
  virtual ~SimPeer() = default;
  virtual void on_data(SimLink& link, const uint8_t* data, size_t n) = 0;
  virtual void on_closed(SimLink& /*link*/) {}  // the station closed
};

// What listens at an address and port.
class SimServer {
 public:
  virtual ~SimServer() = default;
  // A new connection; null refuses it.
  virtual std::unique_ptr<SimPeer> accept(SimLink& link) = 0;
};

enum class ConnectMode {
  kAccept,  // the server takes the connection
  kRefuse,  // refused after the latency
  kSilent,  // no answer at all (also where nothing is registered)
};

// State of one connection, shared by both ends and by queued events.
struct SimConnection {
  SimPlatform* sim = nullptr;
  SocketEvents* events = nullptr;
  std::unique_ptr<SimPeer> peer;
  std::unique_ptr<SimLink> link;
  std::deque<uint8_t> incoming;  // bytes waiting for the station
  bool connected = false;
  bool station_open = true;
  bool remote_open = true;
  int64_t last_delivery = 0;  // keeps the far end's bytes in order
};

std::unique_ptr<SocketBackend> new_sim_socket(SimPlatform* sim, SocketEvents* events);

}  // namespace plat
