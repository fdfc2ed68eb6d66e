// What the COM server keeps for the whole process: its module, the counts
// that decide whether it may be unloaded, and its embedded type library.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <oleauto.h>

#include <string>

namespace tovrak::com {

// The module of the component's DLL and its full path.
HMODULE Module();
std::wstring ModulePath();

// Objects of the component alive in the process, and server locks taken
// through IClassFactory::LockServer.
void ObjectCreated();
void ObjectDestroyed();
void ServerLock(bool lock);
long ObjectCount();
long LockCount();

// The type library embedded in the DLL, loaded once.
HRESULT TypeLibrary(ITypeLib** out);
// The type information of an interface, dispatch interface or class of the
// library by its identifier.
HRESULT TypeInfoOf(REFGUID guid, ITypeInfo** out);

}  // namespace tovrak::com
