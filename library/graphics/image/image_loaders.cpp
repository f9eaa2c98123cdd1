// The image loader chain: up to ten user loaders, then BMP, JPEG, PNG, BGRA,
// TGA and DDS, each handed the stream at position 0.
#include <cstring>

#include "core/file/file_access.h"
#include "graphics/image/graph_image.h"
#include "graphics/image/image_decoders.h"

namespace {

constexpr int kMaxUserLoaders = 10;

struct ImageLoaderState {
    ImageLoader user[kMaxUserLoaders];
    int userCount;
};
ImageLoaderState g_loaders;

const ImageLoader kBuiltInLoaders[] = {LoadBmpImage, LoadJpegImage, LoadPngImage,
                                       LoadBgraImage, LoadTgaImage, LoadDdsImage, nullptr};

bool TryLoader(ImageLoader loader, StreamReader* reader, GraphImage* image) {
    reader->functions.Seek(reader->handle, 0, 0);
    return loader(reader, image) == 0;
}

}  // namespace

int AddUserImageLoader(ImageLoader loader) {
    if (loader == nullptr || g_loaders.userCount >= kMaxUserLoaders) return -1;
    g_loaders.user[g_loaders.userCount++] = loader;
    return 0;
}

int GetUserImageLoaderCount() { return g_loaders.userCount; }

int CallImageLoaders(StreamReader* reader, GraphImage* image) {
    for (int i = 0; i < g_loaders.userCount; ++i) {
        if (TryLoader(g_loaders.user[i], reader, image)) return 0;
    }
    for (const ImageLoader* l = kBuiltInLoaders; *l != nullptr; ++l) {
        if (TryLoader(*l, reader, image)) return 0;
    }
    return -1;
}

