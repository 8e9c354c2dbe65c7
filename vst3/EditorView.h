// The editor's view: the editor's window inside the host's, 300 × 200 and
// not resizable.  On Linux the host's run loop, found on the frame the host
// gives the view, drives it: a timer for the repaints and the clip
// indicator's tick, and a handler for events on the display connection;
// both go when the view is removed.  On Windows the window runs on the
// host's message loop.  The view holds a reference to its plug-in.
#pragma once

#include <atomic>

#include "vst3/abi/View.h"

namespace vst3 {

class Vst3Chorus;

class EditorView final : public IPlugView
#if defined(__linux__)
    ,
                         public ITimerHandler,
                         public IEventHandler
#endif
{
public:
    static constexpr TimerInterval kIdleMilliseconds = 25;

    explicit EditorView(Vst3Chorus& plugin);

    tresult VST3_CALL queryInterface(const TUID iid, void** object) override;
    uint32 VST3_CALL addRef() override;
    uint32 VST3_CALL release() override;

    tresult VST3_CALL isPlatformTypeSupported(FIDString type) override;
    tresult VST3_CALL attached(void* parent, FIDString type) override;
    tresult VST3_CALL removed() override;
    tresult VST3_CALL onWheel(float distance) override;
    tresult VST3_CALL onKeyDown(char16 key, std::int16_t keyCode, std::int16_t modifiers) override;
    tresult VST3_CALL onKeyUp(char16 key, std::int16_t keyCode, std::int16_t modifiers) override;
    tresult VST3_CALL getSize(ViewRect* size) override;
    tresult VST3_CALL onSize(ViewRect* newSize) override;
    tresult VST3_CALL onFocus(TBool state) override;
    tresult VST3_CALL setFrame(IPlugFrame* frame) override;
    tresult VST3_CALL canResize() override;
    tresult VST3_CALL checkSizeConstraint(ViewRect* rect) override;

#if defined(__linux__)
    void VST3_CALL onTimer() override;
    void VST3_CALL onFDIsSet(FileDescriptor fd) override;
#endif

private:
    ~EditorView();
    void idle();
    void joinRunLoop();
    void leaveRunLoop();

    std::atomic<uint32> references{1};
    Vst3Chorus& plugin;
    IPlugFrame* frame = nullptr;  // the host's, not counted: it outlives the view
    bool isAttached = false;
#if defined(__linux__)
    IRunLoop* runLoop = nullptr;  // counted, while attached
    bool timerRegistered = false;
    bool handlerRegistered = false;
#endif
};

}  // namespace vst3
