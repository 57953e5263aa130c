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
#include <functional>
#include <string>
#include <thread>

namespace {

// The dialog runs on the test's thread and the simulated user on another, each
// with its own connection; Xlib must be told before its first use.
const bool xlibThreadsReady = XInitThreads() != 0;

// Text measured as 10 pixels per character.
int tenPerCharacter(const std::string& s) {
    return int(s.size()) * 10;
}

// Plays the user of a dialog from a second X connection: finds the dialog's
// window by its title and sends it input, the way a window manager or an
// input method would deliver it.
class DialogUser {
  public:
    DialogUser() {
        // The test server sometimes drops a connection made right after another closed.
        for (int attempt = 0; attempt < 10 && display == nullptr; ++attempt) {
            display = XOpenDisplay(nullptr);
            if (display == nullptr)
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }
    ~DialogUser() {
        if (display)
            XCloseDisplay(display);
    }
    bool connected() const { return display != nullptr; }

    // Waits (at most about ten seconds) for a top-level window with this title.
    Window waitForWindow(const std::string& title) {
        for (int attempt = 0; attempt < 1000; ++attempt) {
            Window found = findWindow(title);
            if (found != 0)
                return found;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return 0;
    }

    void pressKey(Window window, KeySym symbol) {
        XEvent event{};
        event.xkey.type = KeyPress;
        event.xkey.display = display;
        event.xkey.window = window;
        event.xkey.root = DefaultRootWindow(display);
        event.xkey.time = CurrentTime;
        event.xkey.same_screen = True;
        event.xkey.keycode = XKeysymToKeycode(display, symbol);
        XSendEvent(display, window, True, KeyPressMask, &event);
        XFlush(display);
    }

    void click(Window window, int x, int y) {
        for (int type : {ButtonPress, ButtonRelease}) {
            XEvent event{};
            event.xbutton.type = type;
            event.xbutton.display = display;
            event.xbutton.window = window;
            event.xbutton.root = DefaultRootWindow(display);
            event.xbutton.time = CurrentTime;
            event.xbutton.x = x;
            event.xbutton.y = y;
            event.xbutton.button = Button1;
            event.xbutton.same_screen = True;
            XSendEvent(display, window, True,
                       type == ButtonPress ? ButtonPressMask : ButtonReleaseMask, &event);
        }
        XFlush(display);
    }

    void askToClose(Window window) {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
        event.xclient.format = 32;
        event.xclient.data.l[0] = long(XInternAtom(display, "WM_DELETE_WINDOW", False));
        event.xclient.data.l[1] = CurrentTime;
        XSendEvent(display, window, False, NoEventMask, &event);
        XFlush(display);
    }

    void size(Window window, int& width, int& height) {
        Window root;
        int x, y;
        unsigned w = 0, h = 0, border, depth;
        XGetGeometry(display, window, &root, &x, &y, &w, &h, &border, &depth);
        width = int(w);
        height = int(h);
    }

    // Dark pixels inside a rectangle of the window, once it has been drawn.
    int darkPixels(Window window, const DialogRect& r) {
        XImage* image = XGetImage(display, window, r.x, r.y, unsigned(r.width), unsigned(r.height),
                                  AllPlanes, ZPixmap);
        if (image == nullptr)
            return 0;
        int dark = 0;
        for (int y = 0; y < r.height; ++y) {
            for (int x = 0; x < r.width; ++x) {
                unsigned long p = XGetPixel(image, x, y);
                if (((p >> 16) & 0xFF) < 64 && ((p >> 8) & 0xFF) < 64 && (p & 0xFF) < 64)
                    ++dark;
            }
        }
        XDestroyImage(image);
        return dark;
    }

    bool isStillThere(const std::string& title) { return findWindow(title) != 0; }

  private:
    Display* display = nullptr;

    Window findWindow(const std::string& title) {
        Window root = DefaultRootWindow(display), parent, *children = nullptr;
        unsigned count = 0;
        Window found = 0;
        if (!XQueryTree(display, root, &root, &parent, &children, &count))
            return 0;
        for (unsigned i = 0; i < count && found == 0; ++i) {
            char* name = nullptr;
            if (XFetchName(display, children[i], &name) && name != nullptr) {
                if (title == name) {
                    XWindowAttributes attributes;
                    if (XGetWindowAttributes(display, children[i], &attributes) &&
                        attributes.map_state == IsViewable)
                        found = children[i];
                }
                XFree(name);
            }
        }
        if (children)
            XFree(children);
        return found;
    }
};

// Shows a dialog on this thread while `act` plays the user on another.
int answerDialog(const char* text, const char* caption, int buttons,
                 const std::function<void(DialogUser&, Window)>& act) {
    EXPECT_TRUE(xlibThreadsReady);
    DialogUser person;
    EXPECT_TRUE(person.connected());
    std::thread user([&] {
        if (!person.connected())
            return;
        Window window = person.waitForWindow(caption);
        if (window != 0)
            act(person, window);
    });
    int answer = showX11Dialog(text, caption, buttons);
    user.join();
    return answer;
}

void requireDisplay() {
    const char* display = std::getenv("DISPLAY");
    ASSERT_TRUE(display != nullptr && *display) << "needs a display (run under xvfb-run)";
}

} // namespace

TEST(DialogLayout, TextKeepsItsLineBreaks) {
    std::vector<std::string> lines = wrapDialogText("one\ntwo\n\nfour", 1000, tenPerCharacter);
    EXPECT_EQ(lines, (std::vector<std::string>{"one", "two", "", "four"}));
}

TEST(DialogLayout, LongLinesWrapAtSpacesAndLongWordsAreCut) {
    std::vector<std::string> lines =
        wrapDialogText("the quick brown fox jumps", 110, tenPerCharacter); // 11 characters
    EXPECT_EQ(lines, (std::vector<std::string>{"the quick", "brown fox", "jumps"}));
    lines = wrapDialogText("abcdefghijklmnopqrstuvwxy z", 100, tenPerCharacter);
    EXPECT_EQ(lines, (std::vector<std::string>{"abcdefghij", "klmnopqrst", "uvwxy z"}));
    for (const std::string& line : lines)
        EXPECT_LE(tenPerCharacter(line), 100);
}

TEST(DialogLayout, WindowFitsTextAndButtonsAndButtonsSitInARowAtTheBottom) {
    DialogLayout layout = layoutDialog("FullScreen?", 2, 14, 11, 1000, tenPerCharacter);
    EXPECT_EQ(layout.width, dialogMinimumWidth);
    ASSERT_EQ(layout.buttons.size(), 2u);
    const DialogRect& yes = layout.buttons[0];
    const DialogRect& no = layout.buttons[1];
    EXPECT_EQ(yes.y, no.y);
    EXPECT_LT(yes.x + yes.width, no.x) << "buttons must not overlap";
    EXPECT_EQ(yes.x - 0, layout.width - (no.x + no.width)) << "the row is centred";
    EXPECT_EQ(yes.y + yes.height + dialogMargin, layout.height);
    EXPECT_GE(yes.y, layout.firstBaseline) << "buttons below the text";

    std::string wide(90, 'w');
    DialogLayout big = layoutDialog(wide + "\n" + wide, 3, 14, 11, 2000, tenPerCharacter);
    EXPECT_EQ(big.width, 900 + 2 * dialogMargin);
    EXPECT_EQ(big.lines.size(), 2u);
    DialogLayout narrow = layoutDialog(wide, 3, 14, 11, 400, tenPerCharacter);
    EXPECT_LE(narrow.width, 400);
    EXPECT_GT(narrow.lines.size(), 1u);
}

TEST(X11Dialog, KeysAndClosingTheWindowAnswer) {
    requireDisplay();
    // Enter answers the first button; Escape and closing (key 0 here) answer
    // No, Cancel or OK.
    const struct {
        int buttons;
        KeySym key;
        int answer;
    } cases[] = {{MB_YESNO, XK_Return, IDYES}, {MB_OK, XK_KP_Enter, IDOK},
                 {MB_YESNO, XK_Escape, IDNO},  {MB_YESNOCANCEL, XK_Escape, IDCANCEL},
                 {MB_OK, XK_Escape, IDOK},     {MB_YESNOCANCEL, 0, IDCANCEL},
                 {MB_YESNO, 0, IDNO}};
    for (const auto& c : cases) {
        std::string caption =
            "Kestu test answer " + std::to_string(c.key) + std::to_string(c.buttons);
        EXPECT_EQ(answerDialog("q", caption.c_str(), c.buttons,
                               [&c](DialogUser& u, Window w) {
                                   c.key ? u.pressKey(w, c.key) : u.askToClose(w);
                               }),
                  c.answer)
            << caption;
    }
}

TEST(X11Dialog, ClickingAButtonAnswersIt) {
    requireDisplay();
    for (int index : {0, 1, 2}) {
        const int expected[] = {IDYES, IDNO, IDCANCEL};
        int answer = answerDialog("Do you want to view the demo?", "Kestu test click",
                                  MB_YESNOCANCEL, [index](DialogUser& u, Window w) {
                                      int width, height;
                                      u.size(w, width, height);
                                      DialogRect r = dialogButtonRects(width, height, 3)[index];
                                      u.click(w, 0, 0); // outside every button: no answer
                                      u.click(w, r.x + r.width / 2, r.y + r.height / 2);
                                  });
        EXPECT_EQ(answer, expected[index]) << "button " << index;
    }
}

TEST(X11Dialog, DrawsItsTextAndButtonsAndGoesAwayWhenAnswered) {
    requireDisplay();
    int textInk = 0, buttonInk[2] = {0, 0};
    bool goneAfter = false;
    const char* caption = "Kestu test drawing";
    int answer =
        answerDialog("FullScreen?\nsecond line", caption, MB_YESNO, [&](DialogUser& u, Window w) {
            int width, height;
            u.size(w, width, height);
            std::vector<DialogRect> buttons = dialogButtonRects(width, height, 2);
            DialogRect text;
            text.x = 0;
            text.y = 0;
            text.width = width;
            text.height = buttons[0].y;
            for (int i = 0; i < 500 && textInk == 0; ++i) {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
                textInk = u.darkPixels(w, text);
            }
            buttonInk[0] = u.darkPixels(w, buttons[0]);
            buttonInk[1] = u.darkPixels(w, buttons[1]);
            u.pressKey(w, XK_Escape);
        });
    EXPECT_EQ(answer, IDNO);
    EXPECT_GT(textInk, 20) << "the text is drawn";
    EXPECT_GT(buttonInk[0], 20) << "the Yes button is drawn";
    EXPECT_GT(buttonInk[1], 20) << "the No button is drawn";
    DialogUser observer;
    for (int i = 0; i < 100 && !goneAfter; ++i) {
        goneAfter = !observer.isStillThere(caption);
        if (!goneAfter)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(goneAfter) << "the dialog window is destroyed after the answer";
}

TEST(X11Dialog, WithoutADisplayTheLastButtonAnswers) {
    const char* previous = std::getenv("DISPLAY");
    std::string saved = previous ? previous : "";
    setenv("DISPLAY", ":31999", 1); // no server listens there
    int yesNo = showX11Dialog("q", "", MB_YESNO);
    int yesNoCancel = showX11Dialog("q", "", MB_YESNOCANCEL);
    int ok = showX11Dialog("q", "", MB_OK);
    if (previous)
        setenv("DISPLAY", saved.c_str(), 1);
    else
        unsetenv("DISPLAY");
    EXPECT_EQ(yesNo, IDNO);
    EXPECT_EQ(yesNoCancel, IDCANCEL);
    EXPECT_EQ(ok, IDOK);
}
