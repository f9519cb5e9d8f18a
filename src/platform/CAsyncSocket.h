// A non-blocking TCP client whose connect outcome, arriving bytes and peer
// close come as notifications on the event loop's thread.
#pragma once

#include <memory>

#include "platform/socket.h"

class CAsyncSocket : private plat::SocketEvents {
 public:
  static constexpr int SOCKET_ERROR = -1;

  CAsyncSocket() = default;
  CAsyncSocket(const CAsyncSocket&) = delete;
  CAsyncSocket& operator=(const CAsyncSocket&) = delete;
  ~CAsyncSocket() override;

  // A TCP socket on any local address and port; false on failure.
  bool Create();
  // Starts a connect. False with GetLastError() == EWOULDBLOCK while it is
  // under way (the outcome comes through OnConnect); false with any other
  // error when it failed at once.
  bool Connect(const char* address, unsigned port);
  // Both return the bytes moved or SOCKET_ERROR; Receive returns 0 when the
  // peer has closed.
  int Send(const void* buf, int n, int flags = 0);
  int Receive(void* buf, int n, int flags = 0);
  // Harmless when not open; no notification arrives afterwards.
  void Close();
  int GetLastError() const { return last_error_; }

  virtual void OnConnect(int /*nErrorCode*/) {}
  virtual void OnReceive(int /*nErrorCode*/) {}
  virtual void OnClose(int /*nErrorCode*/) {}

 private:
  void socket_connected(int error) override { OnConnect(error); }
  void socket_readable(int error) override { OnReceive(error); }
  void socket_closed(int error) override { OnClose(error); }

  std::unique_ptr<plat::SocketBackend> s_;
  int last_error_ = 0;
};
