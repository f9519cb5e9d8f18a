// The console socket's notifications, handed to the station object.
#include "console/CConsoleSocket.h"

#include "app/CNivaraDlg.h"

void CConsoleSocket::OnReceive(int nErrorCode) {
  if (reenvia(nErrorCode)) dueno->orfr();
  CAsyncSocket::OnReceive(nErrorCode);
}

void CConsoleSocket::OnConnect(int nErrorCode) {
  if (reenvia(nErrorCode)) dueno->al_conectar();
  CAsyncSocket::OnConnect(nErrorCode);
}

void CConsoleSocket::OnClose(int nErrorCode) {
  if (reenvia(nErrorCode)) dueno->al_cerrar();
  CAsyncSocket::OnClose(nErrorCode);
}

// A client link accepts nothing; kept so the forwarding rule holds for every
// notification.
void CConsoleSocket::OnAccept(int nErrorCode) {
  if (reenvia(nErrorCode)) dueno->al_aceptar();
}
