#include "app/DisplayPlatform.h"

#include <gtest/gtest.h>

namespace {

struct Case {
    const char* what;
    DisplayPlatform::Environment environment;
    const char* expected;
};

} // namespace

TEST(DisplayPlatformTest, ChoosesXcbWhereItCanAndAlwaysEndsOffscreen) {
    const Case cases[] = {
        {"an X11 session", {"", ":0", ""}, "xcb;offscreen"},
        {"Wayland with XWayland", {"", ":1", "wayland-0"}, "xcb;offscreen"},
        {"Wayland asked for, XWayland there", {"wayland", ":1", "wayland-0"}, "xcb;offscreen"},
        {"Wayland first in a list", {"wayland-egl;xcb", ":1", "wayland-0"}, "xcb;offscreen"},
        {"Wayland without XWayland", {"", "", "wayland-0"}, "offscreen"},
        {"Wayland only, asked for", {"wayland", "", "wayland-0"}, "offscreen"},
        {"no display at all", {"", "", ""}, "offscreen"},
        {"X11 asked for without a display", {"xcb", "", ""}, "xcb;offscreen"},
        {"a platform with arguments", {"xcb:foo=1", ":0", ""}, "xcb:foo=1;offscreen"},
        {"offscreen asked for", {"offscreen", ":0", ""}, "offscreen"},
        {"empty items", {";;xcb;", ":0", ""}, "xcb;offscreen"},
        {"a list already ending offscreen", {"xcb;offscreen", ":0", ""}, "xcb;offscreen"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DisplayPlatform::choose(c.environment), c.expected) << c.what;
}
