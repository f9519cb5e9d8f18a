// The socket of the console link. It hands its notifications to the station
// object that owns it, but only while its owner tag says so, and only those
// that carry no error.
#pragma once

#include <cstdint>

#include "platform/CAsyncSocket.h"

class CNivaraDlg;

class CConsoleSocket : public CAsyncSocket {
 public:
  static constexpr int32_t kEtiquetaDueno = 102;

  void OnReceive(int nErrorCode) override;
  void OnConnect(int nErrorCode) override;
  void OnClose(int nErrorCode) override;
  void OnAccept(int nErrorCode);

  int32_t etiqueta = 0;         // set to 102 by ctw
  CNivaraDlg* dueno = nullptr;  // set by ctw

 private:
  bool reenvia(int nErrorCode) const { return nErrorCode == 0 && etiqueta == kEtiquetaDueno; }
};
