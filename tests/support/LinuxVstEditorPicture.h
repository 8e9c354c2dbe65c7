// The picture every editor of ours on X must show: the Linux VST's editor,
// opened in a window of its own beside `editor` and given its idle calls.
// How many of their pixels differ; -1 when either cannot be read.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "host/AEffEditor.h"
#include "tests/x11/X11TestDisplay.h"
#include "tools/PluginLoader.h"

inline int pixelsDifferingFromTheLinuxVstEditor(X11TestDisplay& x, Window editor) {
    PluginLoader loader(builtPluginPath());
    EXPECT_TRUE(loader.loaded()) << loader.error();
    if (!loader.loaded()) return -1;
    PluginInstance vst2(loader.create());
    const Window vst2Parent = x.makeParent(400, 0);
    EXPECT_EQ(vst2.dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(vst2Parent)), 1);
    for (int i = 0; i < 20; ++i) {
        vst2.dispatch(effEditIdle);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    const int differing = x.differingPixels(editor, x.editorIn(vst2Parent));
    vst2.dispatch(effEditClose);
    vst2.close();
    x.destroy(vst2Parent);
    return differing;
}
