// The pieces of the C++ runtime that the plug-in's code calls, over the C
// library's heap, linked into every plug-in binary.  The DLL links no C++
// runtime library: the static one brings a reserve for exceptions and
// per-thread storage through the POSIX threads layer, allocated whenever the
// library is loaded and never given back when it is unloaded, so a host that
// scans or reloads plug-ins would lose memory with every load.  The Linux
// modules link the static libstdc++ for the little else they use (the
// editor's clock), and these definitions keep its exception machinery out:
// that would bring the same reserve, and C library symbols that only recent
// systems have.  The plug-in's code throws nothing and asks for no type
// information, so this is all it needs: allocation that reports failure with
// null, and a stop for a pure virtual call or a container asked for more
// than it can hold.
#include <cstdlib>
#include <new>

namespace std {
const nothrow_t nothrow{};
}  // namespace std

// Null for no memory: without exceptions there is no other way to report
// it, and every allocation of the plug-in asks with std::nothrow anyway.
void* operator new(std::size_t size) { return std::malloc(size ? size : 1); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return std::malloc(size ? size : 1); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }

// Only a broken object can call a pure virtual function.
extern "C" void __cxa_pure_virtual() { std::abort(); }

// A container asked for more than it can hold, or more than memory can;
// without exceptions the only way out.
namespace std {
void __throw_length_error(const char*) { std::abort(); }
void __throw_bad_alloc() { std::abort(); }
void __throw_bad_array_new_length() { std::abort(); }
}  // namespace std
