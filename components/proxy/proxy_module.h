/* The widl-generated proxies and stubs, as the DLL's entry points reach them. */
#pragma once
#include <objbase.h>

#ifdef __cplusplus
extern "C" {
#endif

HRESULT tangram_ps_get_class_object(REFCLSID clsid, REFIID riid, void **object);
HRESULT tangram_ps_can_unload(void);
/* Writes or removes the Interface keys (ProxyStubClsid32) and the factory's class key. */
HRESULT tangram_ps_register(HMODULE module);
HRESULT tangram_ps_unregister(HMODULE module);

#ifdef __cplusplus
}
#endif
