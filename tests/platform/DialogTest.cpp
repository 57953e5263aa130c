// The X11 dialog box answered by a simulated user on a second X connection, with keys, clicks and
// the window manager's close request.
#include "tests/support/TestSupport.h"

#include "platform/DialogLayout.h"
#include "platform/MessageBox.h"
#include "platform/X11Dialog.h"

// GoogleTest before Xlib, whose macros (None, Bool) clash with its names.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

namespace {

// The dialog runs on the test's thread and the simulated user on another, each
// with its own connection; Xlib must be told before its first use.
const bool xlibThreadsReady = XInitThreads() != 0;

// The viewable top-level window with this title, or 0.
Window findWindow(Display* display, const std::string& title) {
    Window root = DefaultRootWindow(display), parent, *children = nullptr, found = 0;
    unsigned count = 0;
    if (!XQueryTree(display, root, &root, &parent, &children, &count))
        return 0;
    for (unsigned i = 0; i < count && found == 0; ++i) {
        char* name = nullptr;
        XWindowAttributes attributes;
        if (XFetchName(display, children[i], &name) && name != nullptr && title == name &&
            XGetWindowAttributes(display, children[i], &attributes) &&
            attributes.map_state == IsViewable)
            found = children[i];
        if (name)
            XFree(name);
    }
    if (children)
        XFree(children);
    return found;
}

// Plays the user: waits for the dialog's window and sends it one key press
// (key 0: the close request), or a click outside every button and then one on
// button `button`, the way a window manager would deliver them.
void actOnDialog(Display* display, const std::string& title, KeySym key, int button, int count) {
    Window window = 0;
    for (int attempt = 0; attempt < 1000 && window == 0; ++attempt) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        window = findWindow(display, title);
    }
    if (window == 0)
        return;
    XEvent event{};
    if (button >= 0) {
        Window root;
        int x, y;
        unsigned width = 0, height = 0, border, depth;
        XGetGeometry(display, window, &root, &x, &y, &width, &height, &border, &depth);
        DialogRect r = dialogButtonRects(int(width), int(height), count)[size_t(button)];
        for (int target : {0, 1})
            for (int type : {ButtonPress, ButtonRelease}) {
                event = XEvent{};
                event.xbutton.type = type;
                event.xbutton.window = window;
                event.xbutton.x = target ? r.x + r.width / 2 : 0;
                event.xbutton.y = target ? r.y + r.height / 2 : 0;
                event.xbutton.button = Button1;
                event.xbutton.same_screen = True;
                XSendEvent(display, window, True,
                           type == ButtonPress ? ButtonPressMask : ButtonReleaseMask, &event);
            }
    } else if (key != 0) {
        event.xkey.type = KeyPress;
        event.xkey.display = display;
        event.xkey.window = window;
        event.xkey.root = DefaultRootWindow(display);
        event.xkey.same_screen = True;
        event.xkey.keycode = XKeysymToKeycode(display, key);
        XSendEvent(display, window, True, KeyPressMask, &event);
    } else {
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
        event.xclient.format = 32;
        event.xclient.data.l[0] = long(XInternAtom(display, "WM_DELETE_WINDOW", False));
        XSendEvent(display, window, False, NoEventMask, &event);
    }
    XFlush(display);
}

} // namespace

TEST(X11Dialog, KeysClicksAndTheCloseRequestAnswer) {
    const char* display = std::getenv("DISPLAY");
    ASSERT_TRUE(display != nullptr && *display) << "needs a display (run under xvfb-run)";
    ASSERT_TRUE(xlibThreadsReady);
    Display* user = nullptr;
    for (int attempt = 0; attempt < 10 && user == nullptr; ++attempt) {
        user = XOpenDisplay(nullptr); // the test server sometimes drops a quick reconnect
        if (user == nullptr)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ASSERT_NE(user, nullptr);
    const struct {
        int buttons;
        KeySym key;
        int button, answer;
    } cases[] = {{MB_YESNO, XK_Return, -1, IDYES}, {MB_OK, XK_KP_Enter, -1, IDOK},
                 {MB_YESNO, XK_Escape, -1, IDNO},  {MB_YESNOCANCEL, XK_Escape, -1, IDCANCEL},
                 {MB_OK, XK_Escape, -1, IDOK},     {MB_YESNOCANCEL, 0, -1, IDCANCEL},
                 {MB_YESNO, 0, -1, IDNO},          {MB_YESNOCANCEL, 0, 0, IDYES},
                 {MB_YESNOCANCEL, 0, 1, IDNO},     {MB_YESNOCANCEL, 0, 2, IDCANCEL}};
    int n = 0;
    for (const auto& c : cases) {
        std::string caption = "Kestu test dialog " + std::to_string(n++);
        int count = c.buttons == MB_OK ? 1 : c.buttons == MB_YESNO ? 2 : 3;
        std::thread person(actOnDialog, user, caption, c.key, c.button, count);
        int answer = showX11Dialog("Do you want to view the demo?", caption.c_str(), c.buttons);
        person.join();
        EXPECT_EQ(answer, c.answer) << caption;
    }
    XCloseDisplay(user);
}

TEST(DialogLayout, LinesBreakAtSpacesOrWhereAWordNoLongerFitsAndButtonsAreCentredApart) {
    auto width = [](const std::string& text) { return int(text.size()); };
    EXPECT_EQ(wrapDialogText("one two three\nabcdefghi", 7, width),
              (std::vector<std::string>{"one two", "three", "abcdefg", "hi"}));
    const std::vector<DialogRect> buttons = dialogButtonRects(400, 120, 3);
    EXPECT_EQ(buttons[0].x, 400 - (buttons[2].x + buttons[2].width)) << "centred";
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(buttons[i + 1].x - (buttons[i].x + buttons[i].width), dialogButtonGap);
}
