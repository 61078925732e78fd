// Built into the DLL alone (cmake/windows.cmake). The C++ runtime is linked
// into the DLL, so what it takes while the DLL is loaded must be handed back
// when the DLL is unloaded, or a host that loads and frees the plug-in again
// and again keeps growing.
//
// The plug-in's own code takes nothing of the runtime's that outlives it: no
// stream library (its locale set-up takes a lock and a TLS index for good), no
// function-local static behind a guard, no exception on its paths (the
// per-thread exception state would take a TLS index). What is left is the
// emergency exception pool that libstdc++ allocates when the DLL loads, which
// only the runtime can free: through the free-all call it exports for leak
// checkers.

namespace __gnu_cxx {
void __freeres();
}

namespace {

// Runs among the runtime's exit-time destructors, which the runtime's DLL
// entry calls after DllMain(DLL_PROCESS_DETACH) has withdrawn the script and
// the handler; DllMain itself stays with its four registration calls.
struct ReleaseAtUnload {
    constexpr ReleaseAtUnload() = default;
    ~ReleaseAtUnload() { __gnu_cxx::__freeres(); }
};
constinit ReleaseAtUnload releaseAtUnload;

}  // namespace
