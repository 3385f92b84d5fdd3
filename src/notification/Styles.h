#pragma once

// Names shared by the notification's texts and their stylers.
struct Styles {
    // The tag around emphasised words of the notification texts.
    static constexpr const char* helperTitleStyleTag = "helperTitleTag";
};
