#pragma once

// The window system under Qt, for the little the panel needs beyond what Qt offers.
class WindowSystem {
public:
    // Whether the window system shows a window's opacity; Qt warns at every change
    // where it cannot.
    static bool supportsOpacity();

    // Whether the X server is a Wayland compositor's XWayland. Compositors place the
    // windows they manage themselves there (sway centres them), so the panel goes
    // around the window manager, as pop-ups do.
    static bool isXWayland();

    // Whether window opacity changes reach the screen only when queued requests are sent.
    static bool queuesRequests();

    // Sends the requests queued for the window system, a new window opacity among them,
    // and handles no event while doing so: it is called inside an animation's step, where
    // work of the event loop could stop the very animation that is stepping.
    static void flush();
};
