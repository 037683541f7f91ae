/* The tables of the proxies and stubs widl generates from the interface
   definitions, the proxy/stub factory that serves them, and plain functions
   over rpcrt4's helpers through which the DLL's entry points
   (proxy_exports.cpp) hand them to COM. */
#include "proxy_module.h"

#include <rpcproxy.h>

/* {389EBAC3-C0CB-4600-B2AF-275D72E8AC76}: the proxy/stub factory class. */
static const CLSID CLSID_TangramPSFactory = {
    0x389ebac3, 0xc0cb, 0x4600, {0xb2, 0xaf, 0x27, 0x5d, 0x72, 0xe8, 0xac, 0x76}};
static CStdPSFactoryBuffer tangram_ps_factory = {0, 0, 0, 0};

EXTERN_PROXY_FILE(tangram)

PROXYFILE_LIST_START
REFERENCE_PROXY_FILE(tangram), PROXYFILE_LIST_END

    DLLDATA_GETPROXYDLLINFO(aProxyFileList, &CLSID_TangramPSFactory) CSTDSTUBBUFFERRELEASE(&tangram_ps_factory)
        CSTDSTUBBUFFER2RELEASE(&tangram_ps_factory)

            HRESULT tangram_ps_get_class_object(REFCLSID clsid, REFIID riid, void **object)
{
    return NdrDllGetClassObject(clsid, riid, object, aProxyFileList, &CLSID_TangramPSFactory, &tangram_ps_factory);
}

HRESULT tangram_ps_can_unload(void)
{
    return NdrDllCanUnloadNow(&tangram_ps_factory);
}

HRESULT tangram_ps_register(HMODULE module)
{
    return NdrDllRegisterProxy(module, aProxyFileList, &CLSID_TangramPSFactory);
}

HRESULT tangram_ps_unregister(HMODULE module)
{
    return NdrDllUnregisterProxy(module, aProxyFileList, &CLSID_TangramPSFactory);
}
