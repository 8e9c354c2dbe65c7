// The plug-in's window inside one of the host's, and what the host lends a
// window on Linux: timers and watching a file descriptor, both called on
// the main thread.
#pragma once

#include "clap/abi/Plugin.h"

namespace clap {

constexpr char kExtGui[] = "clap.gui";
constexpr char kWindowApiWin32[] = "win32";
constexpr char kWindowApiX11[] = "x11";

// A window of the named system: an HWND, or an X11 window id.
struct Window {
    const char* api;
    union {
        void* win32;
        unsigned long x11;
        void* ptr;
    };
};

struct GuiResizeHints {
    bool canResizeHorizontally;
    bool canResizeVertically;
    bool preserveAspectRatio;
    std::uint32_t aspectRatioWidth;
    std::uint32_t aspectRatioHeight;
};

// [main-thread], every function.
struct PluginGui {
    bool(CLAP_CALL* isApiSupported)(const Plugin* plugin, const char* api, bool isFloating);
    bool(CLAP_CALL* getPreferredApi)(const Plugin* plugin, const char** api, bool* isFloating);
    bool(CLAP_CALL* create)(const Plugin* plugin, const char* api, bool isFloating);
    void(CLAP_CALL* destroy)(const Plugin* plugin);
    bool(CLAP_CALL* setScale)(const Plugin* plugin, double scale);
    bool(CLAP_CALL* getSize)(const Plugin* plugin, std::uint32_t* width, std::uint32_t* height);
    bool(CLAP_CALL* canResize)(const Plugin* plugin);
    bool(CLAP_CALL* getResizeHints)(const Plugin* plugin, GuiResizeHints* hints);
    bool(CLAP_CALL* adjustSize)(const Plugin* plugin, std::uint32_t* width, std::uint32_t* height);
    bool(CLAP_CALL* setSize)(const Plugin* plugin, std::uint32_t width, std::uint32_t height);
    bool(CLAP_CALL* setParent)(const Plugin* plugin, const Window* window);
    bool(CLAP_CALL* setTransient)(const Plugin* plugin, const Window* window);
    void(CLAP_CALL* suggestTitle)(const Plugin* plugin, const char* title);
    bool(CLAP_CALL* show)(const Plugin* plugin);
    bool(CLAP_CALL* hide)(const Plugin* plugin);
};

constexpr char kExtTimerSupport[] = "clap.timer-support";

struct PluginTimerSupport {
    void(CLAP_CALL* onTimer)(const Plugin* plugin, Id timerId);  // [main-thread]
};

struct HostTimerSupport {
    bool(CLAP_CALL* registerTimer)(const Host* host, std::uint32_t periodMs, Id* timerId);  // [main-thread]
    bool(CLAP_CALL* unregisterTimer)(const Host* host, Id timerId);                       // [main-thread]
};

constexpr char kExtPosixFdSupport[] = "clap.posix-fd-support";

enum PosixFdFlags : std::uint32_t {
    kPosixFdRead = 1u << 0,
    kPosixFdWrite = 1u << 1,
    kPosixFdError = 1u << 2,
};

struct PluginPosixFdSupport {
    void(CLAP_CALL* onFd)(const Plugin* plugin, int fd, std::uint32_t flags);  // [main-thread]
};

struct HostPosixFdSupport {
    bool(CLAP_CALL* registerFd)(const Host* host, int fd, std::uint32_t flags);  // [main-thread]
    bool(CLAP_CALL* modifyFd)(const Host* host, int fd, std::uint32_t flags);    // [main-thread]
    bool(CLAP_CALL* unregisterFd)(const Host* host, int fd);                    // [main-thread]
};

}  // namespace clap
