#include "platform/winsock/afxsock.h"

BOOL AfxSocketInit(WSADATA* data)
{
    WSADATA local;
    return WSAStartup(MAKEWORD(1, 1), data ? data : &local) == 0 ? TRUE : FALSE;
}
