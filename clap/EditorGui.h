// The gui extension: the editor's window inside a window of the host's,
// 300 × 200 and not resizable.  On Linux the host drives it with a timer
// of its own, for repaints and the clip indicator's tick, and by watching
// the window's display connection for events; both are asked for when the
// window opens and given back before it closes.  On Windows the window runs
// on the host's message loop.  Every call on the host's main thread.
#pragma once

#include <cstdint>

#include "clap/abi/Gui.h"

namespace clap {

class ClapChorus;

class EditorGui {
public:
    static constexpr std::uint32_t kIdleMilliseconds = 25;

    explicit EditorGui(ClapChorus& plugin) : plugin(plugin) {}

    bool isApiSupported(const char* api, bool isFloating) const;
    bool create(const char* api, bool isFloating);
    void destroy();
    bool setParent(const Window& window);
    // Hiding closes the window and showing opens it again in the same
    // parent: nothing of it stays on the screen or on the host's loop.
    bool show();
    bool hide();
    void onTimer(Id id);
    void onFd(int fd);

private:
    bool openWindow();
    void closeWindow();
    void joinHostLoop();
    void leaveHostLoop();

    ClapChorus& plugin;
    bool created = false;
    void* parent = nullptr;  // the host's window, once given
    bool open = false;
    // What the host lends while the window is open.
    const HostTimerSupport* timers = nullptr;
    const HostPosixFdSupport* descriptors = nullptr;
    Id timer = kInvalidId;
    int watched = -1;
};

}  // namespace clap
