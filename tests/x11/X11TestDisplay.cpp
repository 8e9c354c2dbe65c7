#include "tests/x11/X11TestDisplay.h"

#include <dirent.h>
#include <malloc.h>
#include <X11/Xutil.h>

#include "editor/EditorLayout.h"

X11TestDisplay::X11TestDisplay() : display(XOpenDisplay(nullptr)) {}

X11TestDisplay::~X11TestDisplay() {
    if (display) XCloseDisplay(display);
}

Window X11TestDisplay::makeParent(int x, int y) {
    Window window =
        XCreateSimpleWindow(display, DefaultRootWindow(display), x, y, layout::kWidth, layout::kHeight, 0, 0, 0);
    XMapWindow(display, window);
    XSync(display, False);
    return window;
}

void X11TestDisplay::destroy(Window window) {
    XDestroyWindow(display, window);
    XSync(display, False);
}

void X11TestDisplay::mouse(Window window, int type, int x, int y) {
    XEvent event = {};
    event.type = type;
    if (type == MotionNotify) {
        event.xmotion.window = window;
        event.xmotion.x = x;
        event.xmotion.y = y;
    } else {
        event.xbutton.window = window;
        event.xbutton.button = Button1;
        event.xbutton.x = x;
        event.xbutton.y = y;
    }
    XSendEvent(display, window, False, 0, &event);
    XFlush(display);
}

std::uint32_t X11TestDisplay::pixel(Window window, int x, int y) {
    XImage* image = XGetImage(display, window, x, y, 1, 1, AllPlanes, ZPixmap);
    const std::uint32_t value = image ? static_cast<std::uint32_t>(XGetPixel(image, 0, 0)) & 0xFFFFFF : 0;
    if (image) XDestroyImage(image);
    return value;
}

int X11TestDisplay::greenPixelsInDataBox(Window window) {
    const layout::Area& box = layout::dataBox;
    XImage* image = XGetImage(display, window, box.left, box.top, static_cast<unsigned>(box.width()),
                              static_cast<unsigned>(box.height()), AllPlanes, ZPixmap);
    if (!image) return 0;
    int green = 0;
    for (int y = 0; y < box.height(); ++y)
        for (int x = 0; x < box.width(); ++x) green += (XGetPixel(image, x, y) & 0xFFFFFF) == 0x00FF00;
    XDestroyImage(image);
    return green;
}

std::size_t X11TestDisplay::childWindows(Window window) {
    Window root, parent, *children = nullptr;
    unsigned count = 0;
    XQueryTree(display, window, &root, &parent, &children, &count);
    if (children) XFree(children);
    return count;
}

std::size_t openFiles() {
    std::size_t count = 0;
    if (DIR* folder = opendir("/proc/self/fd")) {
        while (readdir(folder)) ++count;
        closedir(folder);
    }
    return count;
}

std::size_t bytesInUse() {
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}
