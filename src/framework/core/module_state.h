#pragma once
// Module state: whose resources and whose application object are current. The library
// has its own state (its built-in resources as instance, the language module as resource
// handle when one is loaded, its application object); the calling program's state is
// current on every thread until an exported call makes the library's current for its
// duration with ManageModuleState.
#include <tessaly/types.h>

namespace tessaly::framework {

class CServicesApp;

struct ModuleState {
    HMODULE instance = nullptr;       // the module's own resources
    HMODULE resourceHandle = nullptr; // where its resources are looked up first
    CServicesApp* app = nullptr;      // its application object
};

// The library's module state; its instance is the library's built-in resources,
// registered on first use.
ModuleState& LibraryModuleState();
// The state current on the calling thread: the caller's unless a guard is active.
ModuleState& CurrentModuleState();

// Makes the library's module state current for the guard's lifetime and restores the
// caller's on every return.
class ManageModuleState {
  public:
    ManageModuleState();
    ~ManageModuleState();
    ManageModuleState(const ManageModuleState&) = delete;
    ManageModuleState& operator=(const ManageModuleState&) = delete;

  private:
    ModuleState* previous_;
};

// The extension-module registration: once made, the caller's framework also finds the
// library's resources (after its own, of which a caller here has none).
void RegisterExtensionModule();
void UnregisterExtensionModule();

// The framework's accessors, on the current module state.
HMODULE AfxGetInstanceHandle();
HMODULE AfxGetResourceHandle();
void AfxSetResourceHandle(HMODULE module);
CServicesApp* AfxGetApp();

// The modules a resource is looked up in, in order, without repeats: the current resource
// handle, then (through the extension registration) the library's resource handle, then
// the library's built-in resources. Returns how many were stored.
int ResourceChain(HMODULE chain[3]);

// A resource found the way the framework finds one: the current resource handle, then
// (through the extension registration) the library's resource handle, then the library's
// built-in resources. Null when none has it.
const void* FindFrameworkResource(WORD type, WORD name, DWORD* size);

} // namespace tessaly::framework
