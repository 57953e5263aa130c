#include "platform/X11Dialog.h"

#include "platform/DialogLayout.h"
#include "platform/MessageBox.h"

#include <SDL.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct ButtonSet {
    std::vector<const char*> labels; // left to right
    std::vector<int> answers;        // answer of each button
    int escapeAnswer;                // Escape and closing the window
};

ButtonSet buttonSetOf(int buttons) {
    if (buttons == MB_YESNO)
        return {{"Yes", "No"}, {IDYES, IDNO}, IDNO};
    if (buttons == MB_YESNOCANCEL)
        return {{"Yes", "No", "Cancel"}, {IDYES, IDNO, IDCANCEL}, IDCANCEL};
    return {{"OK"}, {IDOK}, IDOK};
}

const char* answerName(int answer) {
    switch (answer) {
    case IDYES:
        return "Yes";
    case IDNO:
        return "No";
    case IDCANCEL:
        return "Cancel";
    default:
        return "OK";
    }
}

int ignoreXError(Display*, XErrorEvent*) {
    return 0;
}

// Some X servers (Xvfb among them) now and then drop a connection that is
// made right after another one closed; a few spaced attempts get through.
Display* openDisplay() {
    const int attempts = 5;
    for (int attempt = 0; attempt < attempts; ++attempt) {
        Display* display = XOpenDisplay(nullptr);
        if (display != nullptr)
            return display;
        if (XDisplayName(nullptr)[0] == '\0')
            break; // no display named at all: waiting will not help
        SDL_Delay(50);
    }
    return nullptr;
}

// A full-screen SDL window holds the keyboard and pointer; it steps back to
// a window for as long as a dialog is open so the dialog can be answered.
class FullScreenPause {
  public:
    FullScreenPause() {
        SDL_Surface* screen = SDL_WasInit(SDL_INIT_VIDEO) ? SDL_GetVideoSurface() : nullptr;
        if (screen != nullptr && (screen->flags & SDL_FULLSCREEN) != 0)
            paused = SDL_WM_ToggleFullScreen(screen) != 0;
    }
    ~FullScreenPause() {
        if (paused && SDL_GetVideoSurface() != nullptr)
            SDL_WM_ToggleFullScreen(SDL_GetVideoSurface());
    }

  private:
    bool paused = false;
};

class Dialog {
  public:
    Dialog(Display* display, const char* text, const char* caption, const ButtonSet& set)
        : display(display), set(set) {
        screen = DefaultScreen(display);
        font = XLoadQueryFont(display, "fixed");
        if (font == nullptr)
            font = XLoadQueryFont(display, "*");
        int ascent = font ? font->ascent : 12;
        int descent = font ? font->descent : 3;
        int maxWidth = DisplayWidth(display, screen) * 4 / 5;
        layout = layoutDialog(text, int(set.labels.size()), ascent + descent + 2, ascent, maxWidth,
                              [this](const std::string& s) { return textWidth(s); });
        createWindow(caption);
    }

    ~Dialog() {
        if (gc != nullptr)
            XFreeGC(display, gc);
        if (window != 0)
            XDestroyWindow(display, window);
        if (font != nullptr)
            XFreeFont(display, font);
        XFlush(display);
    }

    int run() {
        int pressedButton = -1; // button under a held mouse button
        while (true) {
            XEvent event;
            XNextEvent(display, &event);
            switch (event.type) {
            case Expose:
                if (event.xexpose.count == 0)
                    draw(pressedButton);
                break;
            case MapNotify:
                XSetInputFocus(display, window, RevertToParent, CurrentTime);
                break;
            case VisibilityNotify:
                if (event.xvisibility.state != VisibilityUnobscured)
                    XRaiseWindow(display, window);
                break;
            case KeyPress: {
                KeySym key = XLookupKeysym(&event.xkey, 0);
                if (key == XK_Return || key == XK_KP_Enter)
                    return set.answers.front();
                if (key == XK_Escape)
                    return set.escapeAnswer;
                break;
            }
            case ButtonPress:
                if (event.xbutton.button == Button1) {
                    pressedButton = buttonAt(event.xbutton.x, event.xbutton.y);
                    draw(pressedButton);
                }
                break;
            case ButtonRelease:
                if (event.xbutton.button == Button1) {
                    int released = buttonAt(event.xbutton.x, event.xbutton.y);
                    if (released >= 0 && released == pressedButton)
                        return set.answers[size_t(released)];
                    pressedButton = -1;
                    draw(pressedButton);
                }
                break;
            case ClientMessage:
                if (Atom(event.xclient.data.l[0]) == deleteWindow)
                    return set.escapeAnswer;
                break;
            default:
                break;
            }
        }
    }

  private:
    Display* display;
    ButtonSet set;
    int screen = 0;
    XFontStruct* font = nullptr;
    DialogLayout layout;
    Window window = 0;
    GC gc = nullptr;
    Atom deleteWindow = 0;
    unsigned long background = 0; // pixel values
    unsigned long foreground = 0;

    int textWidth(const std::string& s) const {
        if (font == nullptr)
            return int(s.size()) * 7;
        return XTextWidth(font, s.c_str(), int(s.size()));
    }

    unsigned long namedColour(const char* name, unsigned long fallback) {
        XColor exact, shown;
        Colormap map = DefaultColormap(display, screen);
        if (XAllocNamedColor(display, map, name, &shown, &exact))
            return shown.pixel;
        return fallback;
    }

    void setAtomProperty(const char* property, const char* value) {
        Atom name = XInternAtom(display, property, False);
        Atom atom = XInternAtom(display, value, False);
        XChangeProperty(display, window, name, XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<unsigned char*>(&atom), 1);
    }

    void createWindow(const char* caption) {
        Window root = RootWindow(display, screen);
        background = namedColour("gray90", WhitePixel(display, screen));
        foreground = BlackPixel(display, screen);
        int x = (DisplayWidth(display, screen) - layout.width) / 2;
        int y = (DisplayHeight(display, screen) - layout.height) / 2;
        window =
            XCreateSimpleWindow(display, root, x < 0 ? 0 : x, y < 0 ? 0 : y, unsigned(layout.width),
                                unsigned(layout.height), 1, foreground, background);
        XSelectInput(display, window,
                     ExposureMask | KeyPressMask | ButtonPressMask | ButtonReleaseMask |
                         StructureNotifyMask | VisibilityChangeMask);

        XStoreName(display, window, caption);
        Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
        XChangeProperty(display, window, XInternAtom(display, "_NET_WM_NAME", False), utf8, 8,
                        PropModeReplace, reinterpret_cast<const unsigned char*>(caption),
                        int(std::strlen(caption)));

        XSizeHints* size = XAllocSizeHints();
        if (size != nullptr) {
            size->flags = PPosition | PMinSize | PMaxSize;
            size->x = x;
            size->y = y;
            size->min_width = size->max_width = layout.width;
            size->min_height = size->max_height = layout.height;
            XSetWMNormalHints(display, window, size);
            XFree(size);
        }
        deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
        XSetWMProtocols(display, window, &deleteWindow, 1);
        setAtomProperty("_NET_WM_WINDOW_TYPE", "_NET_WM_WINDOW_TYPE_DIALOG");
        setAtomProperty("_NET_WM_STATE", "_NET_WM_STATE_ABOVE");

        gc = XCreateGC(display, window, 0, nullptr);
        if (font != nullptr)
            XSetFont(display, gc, font->fid);
        XMapRaised(display, window);
        XFlush(display);
    }

    int buttonAt(int x, int y) const {
        for (size_t i = 0; i < layout.buttons.size(); ++i) {
            if (layout.buttons[i].contains(x, y))
                return int(i);
        }
        return -1;
    }

    void draw(int pressedButton) {
        XClearWindow(display, window);
        XSetForeground(display, gc, foreground);
        int baseline = layout.firstBaseline;
        for (const std::string& line : layout.lines) {
            XDrawString(display, window, gc, layout.textLeft, baseline, line.c_str(),
                        int(line.size()));
            baseline += layout.lineHeight;
        }
        for (size_t i = 0; i < layout.buttons.size(); ++i) {
            const DialogRect& r = layout.buttons[i];
            const char* label = set.labels[i];
            bool pressed = int(i) == pressedButton;
            XSetForeground(display, gc, foreground);
            if (pressed)
                XFillRectangle(display, window, gc, r.x, r.y, unsigned(r.width),
                               unsigned(r.height));
            else
                XDrawRectangle(display, window, gc, r.x, r.y, unsigned(r.width - 1),
                               unsigned(r.height - 1));
            if (i == 0) // Enter answers the first button: mark it as the default
                XDrawRectangle(display, window, gc, r.x + 2, r.y + 2, unsigned(r.width - 5),
                               unsigned(r.height - 5));
            int labelWidth = textWidth(label);
            int ascent = font ? font->ascent : 12;
            int descent = font ? font->descent : 3;
            int lx = r.x + (r.width - labelWidth) / 2;
            int ly = r.y + (r.height + ascent - descent) / 2;
            XSetForeground(display, gc, pressed ? background : foreground);
            XDrawString(display, window, gc, lx, ly, label, int(std::strlen(label)));
        }
        XFlush(display);
    }
};

} // namespace

int showX11Dialog(const char* text, const char* caption, int buttons) {
    ButtonSet set = buttonSetOf(buttons);
    Display* display = openDisplay();
    if (display == nullptr) {
        int answer = set.answers.back();
        std::fprintf(stderr, "kestu: no display to show the dialog \"%s\"; answered %s\n",
                     caption ? caption : "", answerName(answer));
        std::fflush(stderr);
        return answer;
    }
    FullScreenPause pause;
    // Focus and stacking requests may be refused by the server or the window
    // manager; such errors must not end the program.
    int (*previousHandler)(Display*, XErrorEvent*) = XSetErrorHandler(ignoreXError);
    int answer;
    {
        Dialog dialog(display, text ? text : "", caption ? caption : "", set);
        answer = dialog.run();
    }
    XSync(display, False);
    XSetErrorHandler(previousHandler);
    XCloseDisplay(display);
    return answer;
}
