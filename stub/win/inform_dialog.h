// The agent's inform dialog: a resizable window with the news of an update in a read-only rich-text
// field and one button that opens a download link.
#pragma once

#include <windows.h>

#include <string>

inline constexpr char kInformDialogClass[] = "WyvernRichEditBox";

struct InformDialogSettings {
    std::string title;
    std::string buttonCaption;
    int charset = 0;
    int fontSize = 8;
    std::string fontName = "Tahoma";
    bool rightToLeft = false;
    int width = 360;
    int height = 360;
    std::string link;
    std::string text;
};

// Shows the text until the user closes the dialog or presses its button, which opens the link.
// An empty text with a link opens the link at once. False when there is neither.
bool ShowInformDialog(HWND owner, const InformDialogSettings& settings);
