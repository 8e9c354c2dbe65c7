// Opens the editor of the built plug-in in a window, as a host does, and
// writes what the window shows to a BMP file.
//
//     EditorScreenshot.exe output.bmp [--hover X Y]
//
// With --hover the pointer is moved over (X, Y) of the editor first, so the
// DATA display shows that knob's value.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "host/AEffEditor.h"
#include "tools/PluginLoader.h"
#include "tools/skin/EditorHost.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s output.bmp [--hover X Y]\n", argv[0]);
        return 2;
    }
    PluginLoader loader(builtPluginPath());
    AEffect* record = loader.loaded() ? loader.create() : nullptr;
    if (!record) {
        std::fprintf(stderr, "cannot create the plug-in: %s\n", loader.error().c_str());
        return 1;
    }
    PluginInstance plugin(record);
    ParentWindow parent;
    ERect* rect = nullptr;
    plugin.dispatch(effEditGetRect, 0, 0, &rect);
    if (!plugin.dispatch(effEditOpen, 0, 0, parent.handle())) {
        std::fprintf(stderr, "the editor did not open\n");
        return 1;
    }
    HWND editor = findEditorWindow(parent.handle());
    // Long enough for the first clip-indicator tick.
    pumpMessages(400);
    if (argc >= 5 && std::strcmp(argv[2], "--hover") == 0) {
        SendMessageA(editor, WM_MOUSEMOVE, 0, MAKELPARAM(std::atoi(argv[3]), std::atoi(argv[4])));
        pumpMessages(50);
    }
    const Pixels pixels = capture(editor);
    const bool written = writeBmp(argv[1], pixels);
    plugin.dispatch(effEditClose);
    plugin.close();
    if (!written) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
