// Images from files and memory: opening the stream, running the loader
// chain, mirroring, the "_a" alpha companion and the bitmap (DIB) form.
#include <cstring>

#include "core/alloc.h"
#include "core/file/file_access.h"
#include "graphics/image/color_convert.h"
#include "graphics/image/graph_image.h"

namespace {

// Mirrors the image left-right into a new buffer through the transfer.
int MirrorIntoNewBuffer(GraphImage* image) {
    void* mirrored = ZVALLOC(size_t(image->Pitch) * size_t(image->Height));
    if (mirrored == nullptr) return -1;
    ImageRect rect{0, 0, image->Width, image->Height};
    if (ColorConvertBlt(mirrored, image->Pitch, &image->ColorInfo, image->Pixels, image->Pitch, &image->ColorInfo,
                        nullptr, 0, nullptr, 0, 0, &rect, 1, 0, 0, 0, 0, 0, 0) < 0) {
        ZvFree(mirrored);
        return -1;
    }
    ZvFree(image->Pixels);
    image->Pixels = mirrored;
    return 0;
}

// The image's rows copied into a new buffer of the given pitch, rowBytes of each.
void* CopyRowsToNewBuffer(const GraphImage* image, int pitch, size_t rowBytes) {
    unsigned char* out = static_cast<unsigned char*>(ZVALLOC(size_t(pitch) * image->Height));
    if (out == nullptr) return nullptr;
    for (int y = 0; y < image->Height; ++y)
        std::memcpy(out + size_t(y) * pitch, static_cast<const unsigned char*>(image->Pixels) + size_t(y) * image->Pitch,
                    rowBytes);
    return out;
}

}  // namespace

int OpenImageStream(const char* path, const void* memImage, size_t memSize, int memFlag, int dibFlag,
                    int mirrorFlag, GraphImage* image, BitmapInfo** dibInfo, void** dibBits) {
    StreamReader reader;
    std::memset(&reader, 0, sizeof(reader));
    if (memFlag) {
        if (memImage == nullptr) return -1;
        MemStream* stream = MemStreamOpen(memImage, memSize);
        if (stream == nullptr) return -1;
        reader.functions = *GetMemStreamFunctions();
        reader.handle = reinterpret_cast<intptr_t>(stream);
    } else {
        if (path == nullptr) return -1;
        ZvFileHandle file = FileOpen(path, 0);
        if (file == 0) return -1;
        reader.functions = *GetFileStreamFunctions();
        reader.handle = file;
    }
    GraphImage decoded;
    std::memset(&decoded, 0, sizeof(decoded));
    const int loaded = CallImageLoaders(&reader, &decoded);
    reader.functions.Close(reader.handle);
    if (loaded != 0) return -1;

    if (mirrorFlag && MirrorIntoNewBuffer(&decoded) != 0) {
        ReleaseGraphImage(&decoded);
        return -1;
    }
    if (dibFlag) {
        BitmapInfo* info = static_cast<BitmapInfo*>(ZVCALLOC(sizeof(BitmapInfo)));
        void* bits = nullptr;
        const int made = info ? ConvertGraphImageToDIB(&decoded, info, &bits, 0, 0) : -1;
        if (made < 0) {
            if (info) ZvFree(info);
            ReleaseGraphImage(&decoded);
            return -1;
        }
        if (made == 1) ReleaseGraphImage(&decoded);
        *dibInfo = info;
        *dibBits = bits;
        return 0;
    }
    *image = decoded;
    return 0;
}

int MakeAlphaCompanionPath(const char* path, char* out, size_t outSize) {
    const size_t len = std::strlen(path);
    const char* dot = std::strrchr(path, '.');
    const size_t stem = dot ? size_t(dot - path) : len;
    if (len + 3 > outSize) return -1;
    std::memcpy(out, path, stem);
    std::memcpy(out + stem, "_a", 2);
    std::memcpy(out + stem + 2, path + stem, len - stem + 1);
    return 0;
}

int LoadGraphImageFile(const char* path, const void* memImage, size_t memSize, int memFlag,
                       const void* alphaMemImage, size_t alphaMemSize, int alphaMode, GraphImage* image,
                       GraphImage* alphaImage, int mirrorFlag) {
    if (OpenImageStream(path, memImage, memSize, memFlag, 0, mirrorFlag, image, nullptr, nullptr) != 0) return -1;
    std::memset(alphaImage, 0, sizeof(*alphaImage));
    if (alphaMode == 0) {
        if (memFlag || path == nullptr) return 1;
        char alphaPath[ZV_PATH_MAX];
        if (MakeAlphaCompanionPath(path, alphaPath, sizeof(alphaPath)) != 0) return 1;
        return OpenImageStream(alphaPath, nullptr, 0, 0, 0, mirrorFlag, alphaImage, nullptr, nullptr) == 0 ? 0 : 1;
    }
    if (alphaMode == 1 && alphaMemImage != nullptr) {
        return OpenImageStream(nullptr, alphaMemImage, alphaMemSize, 1, 0, mirrorFlag, alphaImage, nullptr,
                               nullptr) == 0
                   ? 0
                   : 1;
    }
    return 1;
}

int ConvertGraphImageToDIB(const GraphImage* image, BitmapInfo* info, void** bits, int copyFlag, int to24Flag) {
    const ColorData& c = image->ColorInfo;
    std::memset(&info->Header, 0, sizeof(info->Header));
    info->Header.Size = sizeof(BitmapInfoHeader);
    info->Header.Width = image->Width;
    info->Header.Height = -image->Height;
    info->Header.Planes = 1;
    info->Header.Compression = BITMAP_RGB;
    if (c.ColorBitDepth == 8 && !to24Flag) {
        info->Header.BitCount = 8;
        std::memcpy(info->Colors, c.Palette, sizeof(info->Colors));
        const int pitch = (image->Width + 3) & ~3;
        if (copyFlag != 1 && image->Pitch == pitch) {
            *bits = image->Pixels;
            return 0;
        }
        void* out = CopyRowsToNewBuffer(image, pitch, size_t(image->Width));
        if (out == nullptr) return -1;
        *bits = out;
        return 1;
    }
    info->Header.BitCount = 24;
    const int pitch = (image->Width * 3 + 3) & ~3;
    const bool standard = c.ColorBitDepth == 24 && c.RedMask == 0xFF0000 && c.GreenMask == 0xFF00 &&
                          c.BlueMask == 0xFF;
    if (!standard || copyFlag == 1) {
        unsigned char* out = static_cast<unsigned char*>(ZVALLOC(size_t(pitch) * image->Height));
        if (out == nullptr) return -1;
        ColorData std24;
        SetColorDataStandard24(&std24);
        ImageRect rect{0, 0, image->Width, image->Height};
        if (ColorConvertBlt(out, pitch, &std24, image->Pixels, image->Pitch, &c, nullptr, 0, nullptr, 0, 0, &rect,
                            0, 0, 0, 0, 0, 0, 0) < 0) {
            ZvFree(out);
            return -1;
        }
        *bits = out;
        return 1;
    }
    if (image->Pitch != pitch) {
        void* out = CopyRowsToNewBuffer(image, pitch, size_t(image->Width) * 3);
        if (out == nullptr) return -1;
        *bits = out;
        return 1;
    }
    *bits = image->Pixels;
    return copyFlag;
}
