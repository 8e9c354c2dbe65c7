// A timer on the thread that starts it, from Windows' message loop, which
// every host's UI thread runs: one message-only window per timer.
#pragma once

namespace vst3 {

void* startWin32Timer(void (*tick)(void*), void* context, unsigned milliseconds);
void stopWin32Timer(void* timer);

}  // namespace vst3
