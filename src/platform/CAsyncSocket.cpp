// The non-blocking TCP client over the platform's socket backend.
#include "platform/CAsyncSocket.h"

#include <cerrno>

#include "platform/platform.h"

CAsyncSocket::~CAsyncSocket() { Close(); }

bool CAsyncSocket::Create() {
  Close();
  s_ = plat::current().new_socket(this);
  if (!s_) {
    last_error_ = plat::current().last_error();
    return false;
  }
  return true;
}

bool CAsyncSocket::Connect(const char* address, unsigned port) {
  if (!s_) {
    last_error_ = ENOTSOCK;
    return false;
  }
  int e = s_->connect(address, port);
  last_error_ = e == 0 ? EWOULDBLOCK : e;
  return false;
}

int CAsyncSocket::Send(const void* buf, int n, int /*flags*/) {
  if (!s_) {
    last_error_ = ENOTSOCK;
    return SOCKET_ERROR;
  }
  int r = s_->send(buf, n, &last_error_);
  return r < 0 ? SOCKET_ERROR : r;
}

int CAsyncSocket::Receive(void* buf, int n, int /*flags*/) {
  if (!s_) {
    last_error_ = ENOTSOCK;
    return SOCKET_ERROR;
  }
  int r = s_->receive(buf, n, &last_error_);
  return r < 0 ? SOCKET_ERROR : r;
}

void CAsyncSocket::Close() {
  if (s_) s_->close();
  s_.reset();
}
