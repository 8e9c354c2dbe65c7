#include "tests/x11/X11TestDisplay.h"

#include <dirent.h>
#include <malloc.h>
#include <X11/Xutil.h>

#include <cstdio>

#include "editor/EditorLayout.h"

X11TestDisplay::X11TestDisplay() : display(XOpenDisplay(nullptr)) {}

X11TestDisplay::~X11TestDisplay() {
    if (display) XCloseDisplay(display);
}

Window X11TestDisplay::makeParent(int x, int y, Visual* visual, int depth) {
    const Window root = DefaultRootWindow(display);
    Window window;
    if (visual) {
        // A visual other than the root's needs a colormap and a border of
        // its own.
        XSetWindowAttributes attributes = {};
        attributes.colormap = XCreateColormap(display, root, visual, AllocNone);
        attributes.border_pixel = 0;
        attributes.background_pixel = 0;
        window = XCreateWindow(display, root, x, y, layout::kWidth, layout::kHeight, 0, depth, InputOutput, visual,
                               CWColormap | CWBorderPixel | CWBackPixel, &attributes);
    } else {
        window = XCreateSimpleWindow(display, root, x, y, layout::kWidth, layout::kHeight, 0, 0, 0);
    }
    XMapWindow(display, window);
    XSync(display, False);
    return window;
}

void X11TestDisplay::destroy(Window window, bool flushOnly) {
    XDestroyWindow(display, window);
    if (flushOnly)
        XFlush(display);
    else
        XSync(display, False);
}

void X11TestDisplay::unmap(Window window) {
    XUnmapWindow(display, window);
    XSync(display, False);
}

bool X11TestDisplay::exists(Window window) { return window && holds(DefaultRootWindow(display), window); }

bool X11TestDisplay::holds(Window ancestor, Window window) {
    Window root, parent, *children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, ancestor, &root, &parent, &children, &count)) return false;
    bool found = false;
    for (unsigned i = 0; i < count && !found; ++i) found = children[i] == window || holds(children[i], window);
    if (children) XFree(children);
    return found;
}

void X11TestDisplay::mouse(Window window, int type, int x, int y) {
    if (type == MotionNotify) {
        sendMotion(window, x, y, buttonHeld ? Button1Mask : 0);
        return;
    }
    XEvent event = {};
    event.type = type;
    event.xbutton.window = window;
    event.xbutton.button = Button1;
    event.xbutton.x = x;
    event.xbutton.y = y;
    // A button event's state is the one before it: held for the release.
    event.xbutton.state = buttonHeld ? Button1Mask : 0;
    buttonHeld = type == ButtonPress;
    XSendEvent(display, window, False, 0, &event);
    XFlush(display);
}

void X11TestDisplay::moveWithoutButton(Window window, int x, int y) {
    buttonHeld = false;
    sendMotion(window, x, y, 0);
}

void X11TestDisplay::sendMotion(Window window, int x, int y, unsigned state) {
    XEvent event = {};
    event.type = MotionNotify;
    event.xmotion.window = window;
    event.xmotion.x = x;
    event.xmotion.y = y;
    event.xmotion.state = state;
    XSendEvent(display, window, False, 0, &event);
    XFlush(display);
}

std::uint32_t X11TestDisplay::pixel(Window window, int x, int y) {
    XImage* image = XGetImage(display, window, x, y, 1, 1, AllPlanes, ZPixmap);
    const std::uint32_t value = image ? static_cast<std::uint32_t>(XGetPixel(image, 0, 0)) & 0xFFFFFF : 0;
    if (image) XDestroyImage(image);
    return value;
}

int X11TestDisplay::differingPixels(Window a, Window b) {
    XImage* first = XGetImage(display, a, 0, 0, layout::kWidth, layout::kHeight, AllPlanes, ZPixmap);
    XImage* second = XGetImage(display, b, 0, 0, layout::kWidth, layout::kHeight, AllPlanes, ZPixmap);
    int differing = first && second ? 0 : -1;
    for (int y = 0; differing >= 0 && y < layout::kHeight; ++y)
        for (int x = 0; x < layout::kWidth; ++x) differing += XGetPixel(first, x, y) != XGetPixel(second, x, y);
    if (first) XDestroyImage(first);
    if (second) XDestroyImage(second);
    return differing;
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

Window X11TestDisplay::editorIn(Window parent) {
    Window root, up, *children = nullptr;
    unsigned count = 0;
    XQueryTree(display, parent, &root, &up, &children, &count);
    const Window child = count == 1 ? children[0] : 0;
    if (children) XFree(children);
    return child;
}

namespace {

int errorCount = 0;
char lastErrorText[64] = "";

int countError(Display* display, XErrorEvent* error) {
    ++errorCount;
    char name[40] = "";
    XGetErrorText(display, error->error_code, name, sizeof name);
    std::snprintf(lastErrorText, sizeof lastErrorText, "%s for request %d", name, error->request_code);
    return 0;
}

}  // namespace

ProcessErrorHandler::ProcessErrorHandler() : previous(XSetErrorHandler(countError)) {
    errorCount = 0;
    lastErrorText[0] = '\0';
}

ProcessErrorHandler::~ProcessErrorHandler() { XSetErrorHandler(previous); }

int ProcessErrorHandler::errors() const { return errorCount; }

const char* ProcessErrorHandler::lastError() const { return lastErrorText; }

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
