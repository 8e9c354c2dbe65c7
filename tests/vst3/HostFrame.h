// What a Linux host gives a VST 3 view, for the tests that open one.
#pragma once

#include <poll.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

#include "tools/Vst3Host.h"

namespace vst3host {

// The host's frame around a view, with its run loop: timers and handlers
// on file descriptors, called from run() on this thread.  A handler that
// goes away during a call is not called again.
class HostFrame final : public IPlugFrame, public IRunLoop {
public:
    tresult VST3_CALL queryInterface(const TUID iid, void** object) override {
        if (sameUid(iid, FUnknown::iid) || sameUid(iid, IPlugFrame::iid))
            *object = static_cast<IPlugFrame*>(this);
        else if (sameUid(iid, IRunLoop::iid))
            *object = static_cast<IRunLoop*>(this);
        else
            return *object = nullptr, kNoInterface;
        addRef();
        return kResultOk;
    }
    uint32 VST3_CALL addRef() override { return ++references; }
    uint32 VST3_CALL release() override { return --references; }
    tresult VST3_CALL resizeView(IPlugView*, ViewRect*) override { return kResultFalse; }

    tresult VST3_CALL registerEventHandler(IEventHandler* handler, FileDescriptor fd) override {
        handlers.push_back({handler, fd});
        return kResultOk;
    }
    tresult VST3_CALL unregisterEventHandler(IEventHandler* handler) override {
        handlers.erase(std::remove_if(handlers.begin(), handlers.end(),
                                      [&](const Watched& w) { return w.handler == handler; }),
                       handlers.end());
        return kResultOk;
    }
    tresult VST3_CALL registerTimer(ITimerHandler* handler, TimerInterval milliseconds) override {
        timers.push_back({handler, milliseconds, std::chrono::steady_clock::now()});
        return kResultOk;
    }
    tresult VST3_CALL unregisterTimer(ITimerHandler* handler) override {
        timers.erase(std::remove_if(timers.begin(), timers.end(), [&](const Timer& t) { return t.handler == handler; }),
                     timers.end());
        return kResultOk;
    }

    void run(int milliseconds, bool watchDescriptors = true) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
        while (std::chrono::steady_clock::now() < end) {
            if (watchDescriptors) {
                std::vector<Watched> watched = handlers;
                for (const Watched& w : watched) {
                    pollfd descriptor = {w.fd, POLLIN, 0};
                    if (poll(&descriptor, 1, 0) > 0 && isRegistered(w.handler)) w.handler->onFDIsSet(w.fd);
                }
            }
            std::vector<Timer> due = timers;
            for (const Timer& t : due) {
                const auto now = std::chrono::steady_clock::now();
                if (now - t.last < std::chrono::milliseconds(t.interval) || !isTimer(t.handler)) continue;
                for (Timer& own : timers)
                    if (own.handler == t.handler) own.last = now;
                t.handler->onTimer();
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }

    struct Watched {
        IEventHandler* handler;
        FileDescriptor fd;
    };
    struct Timer {
        ITimerHandler* handler;
        TimerInterval interval;
        std::chrono::steady_clock::time_point last;
    };
    std::vector<Watched> handlers;
    std::vector<Timer> timers;
    int references = 1;

private:
    bool isRegistered(IEventHandler* h) const {
        return std::any_of(handlers.begin(), handlers.end(), [&](const Watched& w) { return w.handler == h; });
    }
    bool isTimer(ITimerHandler* h) const {
        return std::any_of(timers.begin(), timers.end(), [&](const Timer& t) { return t.handler == h; });
    }
};

}  // namespace vst3host
