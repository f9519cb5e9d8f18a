// The platform's TCP client: the transport under CAsyncSocket.
#pragma once

#include <cstdint>
#include <memory>

namespace plat {

// What a socket reports, always on the event loop's thread, one at a time.
class SocketEvents {
 public:
  virtual ~SocketEvents() = default;
  virtual void socket_connected(int error) = 0;  // the connect's outcome
  virtual void socket_readable(int error) = 0;   // bytes are waiting
  virtual void socket_closed(int error) = 0;     // the peer closed
};

class SocketBackend {
 public:
  virtual ~SocketBackend() = default;
  // Starts a connect to a dotted IPv4 address. 0 when it is under way (the
  // outcome arrives as socket_connected), else the errno of an immediate
  // failure.
  virtual int connect(const char* address, unsigned port) = 0;
  // Both return the bytes moved, or -1 with `*error` set; receive returns 0
  // when the peer has closed and -1 with EWOULDBLOCK when nothing is waiting.
  virtual int send(const void* buf, int n, int* error) = 0;
  virtual int receive(void* buf, int n, int* error) = 0;
  // No event arrives after close.
  virtual void close() = 0;
};

}  // namespace plat
