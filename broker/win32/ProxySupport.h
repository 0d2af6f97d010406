/* What the generated proxy/stub code needs from the compiler and the system
   headers. gcc has no structured exception handling: the guarded blocks run
   in order, and an RPC error raised inside them is not caught here. */
#include <rpc.h>
#undef RpcTryExcept
#undef RpcExcept
#undef RpcEndExcept
#undef RpcTryFinally
#undef RpcFinally
#undef RpcEndFinally
#undef RpcExceptionCode
#undef RpcAbnormalTermination
#define RpcTryExcept {
#define RpcExcept(expr) } if (0) {
#define RpcEndExcept }
#define RpcTryFinally {
#define RpcFinally }{
#define RpcEndFinally }
#define RpcExceptionCode() 0
#define RpcAbnormalTermination() 0
#include <unknwn.h>
HRESULT STDMETHODCALLTYPE IUnknown_QueryInterface_Proxy(IUnknown* This, REFIID riid, void** object);
ULONG STDMETHODCALLTYPE IUnknown_AddRef_Proxy(IUnknown* This);
ULONG STDMETHODCALLTYPE IUnknown_Release_Proxy(IUnknown* This);
