// Public font functions: each takes the library lock and runs its inner function.
#include "core/lock.h"
#include "graphics/font/font_draw.h"
#include "graphics/font/font_handle.h"
#include "zovav.h"

int CreateFontToHandle(const char* fontName, int size, int thick, int fontType, int charSet, int edgeSize,
                       int italic, int slotIndex, int serial) {
    return WithLibraryLock([=] {
        return CreateFontToHandleImpl(fontName, size, thick, fontType, charSet, edgeSize, italic, slotIndex, serial);
    });
}

int DeleteFontToHandle(int fontHandle) {
    return WithLibraryLock([=] { return DeleteFontToHandleImpl(fontHandle); });
}

int SetFontSize(int fontSize) {
    return WithLibraryLock([=] { return SetFontSizeImpl(fontSize); });
}

int GetDrawStringWidth(const char* string, int strLen, int verticalFlag) {
    return WithLibraryLock([=] { return GetDrawStringWidthImpl(string, strLen, verticalFlag); });
}
