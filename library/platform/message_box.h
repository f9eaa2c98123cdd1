// Message boxes over SDL2: usable whether the library runs or not.
#pragma once

// Writes caption and text to stderr in UTF-8 and, where a display exists,
// shows a modal box with an OK button. Texts are Shift-JIS.
void PlatformMessageBox(const char* text, const char* caption);
