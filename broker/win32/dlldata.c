/* The proxy/stub of IKTCOMBroker3, with entry points named Prx* so that the
   server's own entry points can hand on to them. */
#define PROXY_DELEGATION
#define REGISTER_PROXY_DLL
#define ENTRY_PREFIX Prx
#include <rpcproxy.h>

EXTERN_PROXY_FILE(KTCOMBroker3)

PROXYFILE_LIST_START
  REFERENCE_PROXY_FILE(KTCOMBroker3),
PROXYFILE_LIST_END

DLLDATA_ROUTINES(aProxyFileList, GET_DLL_CLSID)
