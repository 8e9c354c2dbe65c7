#include "vst3/EditorView.h"

#include <cstring>

#include "editor/EditorLayout.h"
#include "editor/GestureEditor.h"
#include "vst3/Vst3Chorus.h"

namespace vst3 {

namespace {

constexpr ViewRect kViewSize = {0, 0, layout::kWidth, layout::kHeight};

}  // namespace

EditorView::EditorView(Vst3Chorus& plugin) : plugin(plugin) { plugin.addRef(); }

EditorView::~EditorView() {
    if (isAttached) removed();
    plugin.release();
}

tresult VST3_CALL EditorView::queryInterface(const TUID iid, void** object) {
    if (!object) return kInvalidArgument;
    if (sameUid(iid, FUnknown::iid) || sameUid(iid, IPlugView::iid))
        *object = static_cast<IPlugView*>(this);
#if defined(__linux__)
    else if (sameUid(iid, ITimerHandler::iid))
        *object = static_cast<ITimerHandler*>(this);
    else if (sameUid(iid, IEventHandler::iid))
        *object = static_cast<IEventHandler*>(this);
#endif
    else {
        *object = nullptr;
        return kNoInterface;
    }
    addRef();
    return kResultOk;
}

uint32 VST3_CALL EditorView::addRef() { return references.fetch_add(1, std::memory_order_relaxed) + 1; }

uint32 VST3_CALL EditorView::release() {
    const uint32 left = references.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (left == 0) delete this;
    return left;
}

tresult VST3_CALL EditorView::isPlatformTypeSupported(FIDString type) {
    return type && std::strcmp(type, plugin.editorPlatform().windowType) == 0 ? kResultTrue : kResultFalse;
}

tresult VST3_CALL EditorView::attached(void* parent, FIDString type) {
    if (isAttached || !parent || isPlatformTypeSupported(type) != kResultTrue || !plugin.showView(this))
        return kResultFalse;
    if (!plugin.editorLink().openWindow(parent)) {
        plugin.hideView(this);
        return kResultFalse;
    }
    isAttached = true;
    joinRunLoop();
    return kResultOk;
}

// The window goes after the host's run loop has let go of the handlers, so
// that no call of theirs finds it gone, and after another view may show it:
// closing tells the host of a gesture's end, and a host may attach a new
// view inside that call.
tresult VST3_CALL EditorView::removed() {
    if (!isAttached) return kResultFalse;
    isAttached = false;
    leaveRunLoop();
    plugin.hideView(this);
    plugin.editorLink().closeWindow();
    return kResultOk;
}

// Hosts give the frame before attaching the view, some only after.
void EditorView::joinRunLoop() {
#if defined(__linux__)
    void* loop = nullptr;
    if (!isAttached || runLoop || !frame || frame->queryInterface(bytesOf(IRunLoop::iid).bytes, &loop) != kResultOk ||
        !loop)
        return;
    runLoop = static_cast<IRunLoop*>(loop);
    timerRegistered = runLoop->registerTimer(this, kIdleMilliseconds) == kResultOk;
    const int descriptor = plugin.editorPlatform().eventDescriptor(plugin.editorLink().windowBackend());
    handlerRegistered = descriptor >= 0 && runLoop->registerEventHandler(this, descriptor) == kResultOk;
#endif
}

void EditorView::leaveRunLoop() {
#if defined(__linux__)
    if (!runLoop) return;
    if (timerRegistered) runLoop->unregisterTimer(this);
    if (handlerRegistered) runLoop->unregisterEventHandler(this);
    timerRegistered = handlerRegistered = false;
    runLoop->release();
    runLoop = nullptr;
#endif
}

tresult VST3_CALL EditorView::onWheel(float) { return kResultFalse; }
tresult VST3_CALL EditorView::onKeyDown(char16, std::int16_t, std::int16_t) { return kResultFalse; }
tresult VST3_CALL EditorView::onKeyUp(char16, std::int16_t, std::int16_t) { return kResultFalse; }

tresult VST3_CALL EditorView::getSize(ViewRect* size) {
    if (!size) return kInvalidArgument;
    *size = kViewSize;
    return kResultOk;
}

// The picture has one size.
tresult VST3_CALL EditorView::onSize(ViewRect* newSize) {
    if (!newSize) return kInvalidArgument;
    const bool same = newSize->right - newSize->left == kViewSize.right &&
                      newSize->bottom - newSize->top == kViewSize.bottom;
    return same ? kResultTrue : kResultFalse;
}

tresult VST3_CALL EditorView::onFocus(TBool) { return kResultOk; }

tresult VST3_CALL EditorView::setFrame(IPlugFrame* newFrame) {
    frame = newFrame;
    joinRunLoop();
    return kResultOk;
}

tresult VST3_CALL EditorView::canResize() { return kResultFalse; }

tresult VST3_CALL EditorView::checkSizeConstraint(ViewRect* rect) {
    if (!rect) return kInvalidArgument;
    rect->right = rect->left + kViewSize.right;
    rect->bottom = rect->top + kViewSize.bottom;
    return kResultTrue;
}

// What the window's events, repaints and tick may set off reaches the host
// (an edit, a program change reported), and a host may remove and release
// the view in answer, from inside this very call: the view keeps itself
// alive until the call is over and does nothing more once removed.
void EditorView::idle() {
    addRef();
    if (isAttached) plugin.editorLink().idleWindow();
    if (isAttached) plugin.reportProgramChange();
    release();
}

#if defined(__linux__)
void VST3_CALL EditorView::onTimer() { idle(); }
void VST3_CALL EditorView::onFDIsSet(FileDescriptor) { idle(); }
#endif

}  // namespace vst3
