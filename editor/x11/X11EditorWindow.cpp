#include "editor/x11/X11EditorWindow.h"

#include <X11/Xlib.h>
#include <X11/Xlibint.h>
#include <X11/Xutil.h>

#include <cstdint>
#include <cstdlib>

namespace editor {

namespace {

constexpr layout::Area kWholeWindow = {0, 0, layout::kWidth, layout::kHeight};

// Every error of our connection is ours to take, not the process's error
// handler's (Xlib's default ends the process): requests for a window whose
// parent the host has destroyed fail with BadWindow or BadDrawable, which
// is no harm.  Xlib turns each error it reads into an event through the
// display's own table of converters, whether it read the error while
// waiting for a reply or later, among the events; a converter that answers
// False drops the error there.  So no process-wide handler is touched, and
// other connections' errors still reach whoever handles them.
Bool dropOwnError(Display*, XErrorEvent*, xError*) { return False; }

void takeEveryError(Display* display) {
    for (int code = 1; code < 256; ++code) XESetWireToError(display, code, dropOwnError);
}

std::uint64_t pack(const layout::Area& a) {
    auto field = [](int v) { return static_cast<std::uint64_t>(v < 0 ? 0 : v > 0xFFFF ? 0xFFFF : v); };
    return field(a.left) | field(a.top) << 16 | field(a.right) << 32 | field(a.bottom) << 48;
}

layout::Area unpack(std::uint64_t word) {
    return {static_cast<int>(word & 0xFFFF), static_cast<int>(word >> 16 & 0xFFFF),
            static_cast<int>(word >> 32 & 0xFFFF), static_cast<int>(word >> 48 & 0xFFFF)};
}

// The lowest set bit of a visual's channel mask, and the channel's width.
int shiftOf(unsigned long mask) {
    int shift = 0;
    while (mask && !(mask & 1)) {
        mask >>= 1;
        ++shift;
    }
    return shift;
}

unsigned long channel(std::uint32_t value8, unsigned long mask) {
    const int shift = shiftOf(mask);
    const unsigned long maximum = mask >> shift;
    return ((value8 * maximum + 127) / 255) << shift;
}

}  // namespace

X11EditorWindow::~X11EditorWindow() { close(); }

bool X11EditorWindow::open(void* parent, EditorCore& editorCore) {
    if (display && window) return true;  // a second open keeps the window
    close();
    display = XOpenDisplay(nullptr);
    if (!display) return false;
    takeEveryError(display);

    const Window parentWindow = static_cast<Window>(reinterpret_cast<std::uintptr_t>(parent));
    XWindowAttributes parentAttributes;
    if (!parentWindow || !XGetWindowAttributes(display, parentWindow, &parentAttributes)) {
        releaseConnection();
        return false;
    }

    core = &editorCore;
    core->opened();
    skin = loadSkinPictures();
    picture.width = layout::kWidth;
    picture.height = layout::kHeight;
    picture.pixels.assign(static_cast<std::size_t>(layout::kWidth) * layout::kHeight, 0);
    canvas.clipTo(kWholeWindow);
    core->paintBackground(canvas);
    core->paint(canvas);
    canvas.takeDrawnArea();
    pendingArea.store(0);

    // No background: the picture covers every pixel, and X clearing the
    // window before each Expose would flicker.
    XSetWindowAttributes attributes = {};
    attributes.background_pixmap = None;
    attributes.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask |
                            StructureNotifyMask;
    window = XCreateWindow(display, parentWindow, 0, 0, layout::kWidth, layout::kHeight, 0, CopyFromParent,
                           InputOutput, CopyFromParent, CWBackPixmap | CWEventMask, &attributes);
    XWindowAttributes own;
    if (!window || !XGetWindowAttributes(display, window, &own)) {
        releaseConnection();
        return false;
    }
    // Made at its final size, which it keeps.
    XSizeHints* hints = XAllocSizeHints();
    if (hints) {
        hints->flags = PMinSize | PMaxSize;
        hints->min_width = hints->max_width = layout::kWidth;
        hints->min_height = hints->max_height = layout::kHeight;
        XSetWMNormalHints(display, window, hints);
        XFree(hints);
    }
    XStoreName(display, window, "Velorin 2");

    gc = XCreateGC(display, window, 0, nullptr);
    imagePixels = static_cast<std::uint32_t*>(std::calloc(static_cast<std::size_t>(layout::kWidth) * layout::kHeight,
                                                          sizeof(std::uint32_t)));
    if (imagePixels)
        image = XCreateImage(display, own.visual, static_cast<unsigned>(own.depth), ZPixmap, 0,
                             reinterpret_cast<char*>(imagePixels), layout::kWidth, layout::kHeight, 32, 0);
    if (!gc || !image) {
        releaseConnection();
        return false;
    }
    // The parent's unmapping ends a drag (the server ends the pointer grab
    // with it, and the release goes elsewhere); X tells no child of it.
    // Which events this connection takes of the host's window is ours
    // alone to choose.
    XSelectInput(display, parentWindow, StructureNotifyMask);
    // Bits of a pixel that no colour channel uses: in a depth-32 visual the
    // alpha channel, which a compositor honours.  The picture is opaque.
    const unsigned long depthBits = own.depth >= 32 ? 0xFFFFFFFFul : (1ul << own.depth) - 1;
    opaqueBits = static_cast<std::uint32_t>(depthBits & ~(image->red_mask | image->green_mask | image->blue_mask));
    XMapWindow(display, window);
    XFlush(display);
    nextTick = std::chrono::steady_clock::now() + std::chrono::milliseconds(EditorCore::kClipTickMilliseconds);
    return true;
}

int X11EditorWindow::connectionNumber() const { return display ? ConnectionNumber(display) : -1; }

// The window goes before the core hears of it: ending a drag tells the
// host the gesture's end, and a host may open the editor again inside that
// call, which then makes a new window.
void X11EditorWindow::close() {
    if (!display) return;
    EditorCore* closing = core;
    if (window) XDestroyWindow(display, window);
    releaseConnection();
    if (closing) closing->closed();
}

// Everything of the connection goes with it: closing the display frees the
// server's side of the window, the GC and the image's server resources.
void X11EditorWindow::releaseConnection() {
    if (image) {
        XDestroyImage(image);  // frees imagePixels too
    } else {
        std::free(imagePixels);
    }
    image = nullptr;
    imagePixels = nullptr;
    if (gc) XFreeGC(display, gc);
    gc = nullptr;
    XSync(display, False);  // our last errors arrive while our handler is there
    XCloseDisplay(display);
    display = nullptr;
    window = 0;
    core = nullptr;
}

void X11EditorWindow::idle() {
    if (!display) return;
    while (window && XPending(display)) {
        XEvent event;
        XNextEvent(display, &event);
        if (!handle(event)) return;
    }
    if (!window) return;
    paintPending();
    const auto now = std::chrono::steady_clock::now();
    if (now >= nextTick) {
        core->tick();
        nextTick += std::chrono::milliseconds(EditorCore::kClipTickMilliseconds);
        if (nextTick < now) nextTick = now + std::chrono::milliseconds(EditorCore::kClipTickMilliseconds);
    }
    XFlush(display);
}

bool X11EditorWindow::handle(XEvent& event) {
    switch (event.type) {
    case Expose:
        show({event.xexpose.x, event.xexpose.y, event.xexpose.x + event.xexpose.width,
              event.xexpose.y + event.xexpose.height});
        return true;
    case ButtonPress:
        return event.xbutton.button != Button1 || core->mouseDown(event.xbutton.x, event.xbutton.y);
    case ButtonRelease:
        return event.xbutton.button != Button1 || core->mouseUp();
    case MotionNotify:
        takeLaterMoves(event);
        // A drag whose release went elsewhere (a grab of the host's, a
        // window that vanished under the pointer) ends at the first move
        // without the button; that move is a hover.
        if (!(event.xmotion.state & Button1Mask) && !core->captureLost()) return false;
        return core->mouseMove(event.xmotion.x, event.xmotion.y);
    case UnmapNotify:
        // Ours or the parent's: the pointer grab ended with it.
        return core->captureLost();
    case DestroyNotify:
        // The host destroyed its window, and ours with it: no request may
        // name it again, and the editor is closed but for the connection.
        if (event.xdestroywindow.window != window) return true;
        window = 0;
        core->closed();
        return false;
    default:
        return true;
    }
}

// Only the latest of a run of moves matters, but a move queued after a
// release, a press or anything else belongs after it: only the moves that
// come next in the queue are taken.
void X11EditorWindow::takeLaterMoves(XEvent& event) {
    XEvent next;
    while (XEventsQueued(display, QueuedAlready) > 0) {
        XPeekEvent(display, &next);
        if (next.type != MotionNotify || next.xmotion.window != window) return;
        XNextEvent(display, &event);
    }
}

void X11EditorWindow::invalidate(const layout::Area& area, bool) {
    const layout::Area clipped = intersect(area, kWholeWindow);
    if (clipped.empty()) return;
    std::uint64_t pending = pendingArea.load(std::memory_order_relaxed);
    while (!pendingArea.compare_exchange_weak(pending, pack(unite(pending ? unpack(pending) : layout::Area{},
                                                                  clipped)),
                                              std::memory_order_acq_rel)) {
    }
}

// What was asked to be painted: the skin, then the controls, inside the
// asked area only, as a window system's repaint of an invalid area does.
void X11EditorWindow::paintPending() {
    const std::uint64_t pending = pendingArea.exchange(0, std::memory_order_acq_rel);
    if (!pending) return;
    const layout::Area area = unpack(pending);
    canvas.clipTo(area);
    core->paintBackground(canvas);
    core->paint(canvas);
    canvas.clipTo(kWholeWindow);
    canvas.takeDrawnArea();
    show(area);
}

EditorCanvas* X11EditorWindow::beginDrawing() {
    if (!display || !window) return nullptr;
    canvas.clipTo(kWholeWindow);
    canvas.takeDrawnArea();
    return &canvas;
}

void X11EditorWindow::endDrawing(EditorCanvas*) { show(canvas.takeDrawnArea()); }

// The picture's area converted to the window's pixel format and sent.
void X11EditorWindow::show(const layout::Area& requested) {
    const layout::Area area = intersect(requested, kWholeWindow);
    if (!display || !window || !image || area.empty()) return;
    const bool direct = image->bits_per_pixel == 32 && image->byte_order == LSBFirst &&
                        image->red_mask == 0xFF0000 && image->green_mask == 0xFF00 && image->blue_mask == 0xFF;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x) {
            const std::uint32_t rgb = picture.at(x, y);
            if (direct) {
                imagePixels[static_cast<std::size_t>(y) * layout::kWidth + x] = rgb | opaqueBits;
            } else {
                XPutPixel(image, x, y,
                          channel(rgb >> 16 & 255, image->red_mask) | channel(rgb >> 8 & 255, image->green_mask) |
                              channel(rgb & 255, image->blue_mask) | opaqueBits);
            }
        }
    XPutImage(display, window, gc, image, area.left, area.top, area.left, area.top,
              static_cast<unsigned>(area.width()), static_cast<unsigned>(area.height()));
}

}  // namespace editor
