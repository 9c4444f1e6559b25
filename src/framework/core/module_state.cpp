// Module states and the framework's resource chain.
#include "framework/core/module_state.h"

#include "platform/module.h"
#include <cstddef>

namespace tessaly::resources {
// The library's compiled English resources, embedded by the build.
extern const unsigned char* builtinResData;
extern const std::size_t builtinResSize;
} // namespace tessaly::resources

namespace tessaly::framework {

namespace {

// The calling program's state: a program here carries no resources of its own.
ModuleState callerState;
thread_local ModuleState* currentState = nullptr;
bool extensionRegistered = false;

} // namespace

ModuleState& LibraryModuleState() {
    static ModuleState state = [] {
        ModuleState s;
        s.instance = platform::RegisterResourceModule("Tessaly", resources::builtinResData,
                                                      resources::builtinResSize);
        s.resourceHandle = s.instance;
        return s;
    }();
    return state;
}

ModuleState& CurrentModuleState() {
    return currentState ? *currentState : callerState;
}

ManageModuleState::ManageModuleState() : previous_(currentState) {
    currentState = &LibraryModuleState();
}

ManageModuleState::~ManageModuleState() {
    currentState = previous_;
}

void RegisterExtensionModule() {
    extensionRegistered = true;
}
void UnregisterExtensionModule() {
    extensionRegistered = false;
}

HMODULE AfxGetInstanceHandle() {
    return CurrentModuleState().instance;
}
HMODULE AfxGetResourceHandle() {
    return CurrentModuleState().resourceHandle;
}
void AfxSetResourceHandle(HMODULE module) {
    CurrentModuleState().resourceHandle = module;
}
CServicesApp* AfxGetApp() {
    return CurrentModuleState().app;
}

int ResourceChain(HMODULE chain[3]) {
    const ModuleState& library = LibraryModuleState();
    const HMODULE order[3] = {CurrentModuleState().resourceHandle,
                              extensionRegistered ? library.resourceHandle : nullptr,
                              library.instance};
    int count = 0;
    for (HMODULE module : order) {
        bool seen = !module;
        for (int i = 0; i < count; ++i)
            seen = seen || chain[i] == module;
        if (!seen) chain[count++] = module;
    }
    return count;
}

} // namespace tessaly::framework
