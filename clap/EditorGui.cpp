#include "clap/EditorGui.h"

#include <cstdint>
#include <cstring>

#include "clap/ClapChorus.h"
#include "editor/GestureEditor.h"
#include "editor/EditorLayout.h"

namespace clap {

namespace {

template <typename Extension>
const Extension* hostExtension(const Host& host, const char* id) {
    return host.getExtension ? static_cast<const Extension*>(host.getExtension(&host, id)) : nullptr;
}

}  // namespace

// Embedded in the host's window only: the picture has no frame of its own.
bool EditorGui::isApiSupported(const char* api, bool isFloating) const {
    return api && !isFloating && std::strcmp(api, plugin.editorPlatform().windowApi) == 0;
}

// A window that nobody drives would never answer the mouse: on Linux the
// host must lend a timer.
bool EditorGui::create(const char* api, bool isFloating) {
    if (created || !isApiSupported(api, isFloating) || !plugin.onMainThread()) return false;
    const Host& host = plugin.hostOf();
    timers = hostExtension<HostTimerSupport>(host, kExtTimerSupport);
    descriptors = hostExtension<HostPosixFdSupport>(host, kExtPosixFdSupport);
    if (timers && (!timers->registerTimer || !timers->unregisterTimer)) timers = nullptr;
    if (descriptors && (!descriptors->registerFd || !descriptors->unregisterFd)) descriptors = nullptr;
    if (plugin.editorPlatform().needsHostLoop && !timers) return false;
    created = true;
    return true;
}

// Nothing is left of the window, also when the host destroyed its own
// window first.  The state changes before the window closes: closing ends
// a drag, and the host may hear of that inside this call.
void EditorGui::destroy() {
    if (!created) return;
    created = false;
    parent = nullptr;
    closeWindow();
}

bool EditorGui::setParent(const Window& window) {
    if (!created || !plugin.onMainThread() || !window.api ||
        std::strcmp(window.api, plugin.editorPlatform().windowApi) != 0)
        return false;
    void* given = std::strcmp(window.api, kWindowApiX11) == 0
                      ? reinterpret_cast<void*>(static_cast<std::uintptr_t>(window.x11))
                      : window.win32;
    if (!given) return false;
    closeWindow();
    parent = given;
    return openWindow();
}

bool EditorGui::show() { return created && plugin.onMainThread() && (open || openWindow()); }

bool EditorGui::hide() {
    if (!created || !plugin.onMainThread()) return false;
    closeWindow();
    return true;
}

bool EditorGui::openWindow() {
    if (!parent || !plugin.editorLink().openWindow(parent)) return false;
    open = true;
    joinHostLoop();
    return true;
}

// The host lets go of the handlers before the window, and with it the
// descriptor, goes.
void EditorGui::closeWindow() {
    if (!open) return;
    open = false;
    leaveHostLoop();
    plugin.editorLink().closeWindow();
}

void EditorGui::joinHostLoop() {
    if (!plugin.editorPlatform().needsHostLoop) return;
    const Host& host = plugin.hostOf();
    if (timers && !timers->registerTimer(&host, kIdleMilliseconds, &timer)) timer = kInvalidId;
    const int descriptor = plugin.editorPlatform().eventDescriptor(plugin.editorLink().windowBackend());
    if (descriptors && descriptor >= 0 && descriptors->registerFd(&host, descriptor, kPosixFdRead))
        watched = descriptor;
}

void EditorGui::leaveHostLoop() {
    const Host& host = plugin.hostOf();
    if (timer != kInvalidId) timers->unregisterTimer(&host, timer);
    if (watched >= 0) descriptors->unregisterFd(&host, watched);
    timer = kInvalidId;
    watched = -1;
}

// The window's events, repaints and tick may reach the host (an edit that
// asks for a flush), and the host may destroy the editor in answer, from
// inside this very call: nothing here comes after the window's turn.
void EditorGui::onTimer(Id id) {
    if (open && id == timer && plugin.onMainThread()) plugin.editorLink().idleWindow();
}

void EditorGui::onFd(int fd) {
    if (open && fd == watched && plugin.onMainThread()) plugin.editorLink().idleWindow();
}

}  // namespace clap
