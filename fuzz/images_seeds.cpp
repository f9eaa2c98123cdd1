// Writes a small seed corpus for the image fuzz target: one valid file of
// each kind the loader chain reads, made with the test fixtures, and small
// movies in each kind of container, two of them with a sound track.
#include <string>

#include "library/graphics/image_fixtures.h"
#include "library/movie/movie_writer.h"

using namespace imgfix;

int main(int argc, char** argv) {
    if (argc < 2) return 1;
    const std::string dir = argv[1];
    std::vector<uint32_t> px = {0xFFFF0000, 0x8000FF00, 0x000000FF, 0xFF808080};
    WriteFile(dir + "/rgb.png", MakeRgbPng(2, 2, px, false));
    WriteFile(dir + "/rgba.png", MakeRgbPng(2, 2, px, true));
    Bytes grey(8 * 8, 0x40);
    WriteFile(dir + "/grey.jpg", MakeJpeg(8, 8, 1, grey));
    Bytes rgb(8 * 8 * 3, 0x80);
    WriteFile(dir + "/rgb.jpg", MakeJpeg(8, 8, 3, rgb));
    // Subsampled, progressive, with restart markers: the other decoding paths.
    JpegSpec j;
    j.width = 24;
    j.height = 20;
    j.pixels.assign(24 * 20 * 3, 0x60);
    j.hSample = j.vSample = 2;
    j.progressive = true;
    j.restartRows = 1;
    WriteFile(dir + "/progressive.jpg", MakeJpeg(j));
    BmpSpec s;
    s.width = 3; s.height = 2; s.bits = 24;
    s.data.assign(24, 0x33);
    WriteFile(dir + "/24.bmp", MakeBmp(s));
    s.bits = 8; s.compression = 1; s.palette.assign(256, 0x123456);
    s.data = {2, 5, 0, 2, 1, 1, 1, 9, 0, 0, 0, 3, 1, 2, 3, 0, 0, 1};
    WriteFile(dir + "/rle8.bmp", MakeBmp(s));
    Bytes t = TgaHeader(10, 2, 2, 24, 0);
    t.insert(t.end(), {0x83, 1, 2, 3});
    AppendTgaFooter(t);
    WriteFile(dir + "/rle.tga", t);
    Bytes d = DdsHeader(2, 1, 0x41, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000u);
    d.insert(d.end(), {1, 2, 3, 4, 5, 6, 7, 8});
    WriteFile(dir + "/argb.dds", d);
    Bytes b = BgraHeader(0x10101010, 1, 1);
    b.insert(b.end(), {1, 2, 3, 4, 5, 6, 7, 8});
    WriteFile(dir + "/16.bgra", b);
    moviefix::MovieSpec m;
    m.width = 16;
    m.height = 8;
    m.frames = 4;
    m.fps = 25;   // a rate every MPEG kind takes
    const struct {
        const char* name;
        const char* container;
        const char* codec;
        AVPixelFormat pixels;
    } movies[] = {
        {"/ffv1.mkv", "matroska", "ffv1", AV_PIX_FMT_BGR0},
        {"/mpeg4.avi", "avi", "mpeg4", AV_PIX_FMT_YUV420P},
        {"/mpeg4.mp4", "mp4", "mpeg4", AV_PIX_FMT_YUV420P},
        {"/mpeg1.mpg", "mpeg", "mpeg1video", AV_PIX_FMT_YUV420P},
        {"/mpeg2.ts", "mpegts", "mpeg2video", AV_PIX_FMT_YUV420P},
    };
    for (const auto& k : movies) {
        m.container = k.container;
        m.codec = k.codec;
        m.pixels = k.pixels;
        if (!moviefix::WriteMovie(dir + k.name, m)) return 1;
    }
    if (!moviefix::WriteSoundOnly(dir + "/tone.mkv")) return 1;
    m.container = "matroska";
    m.codec = "ffv1";
    m.pixels = AV_PIX_FMT_BGR0;
    m.soundCodec = "pcm_s16le";
    m.soundRate = 22050;
    if (!moviefix::WriteMovie(dir + "/sound.mkv", m)) return 1;
    m.container = "avi";
    m.codec = "mpeg4";
    m.pixels = AV_PIX_FMT_YUV420P;
    m.soundCodec = "mp2";
    m.soundRate = 44100;
    if (!moviefix::WriteMovie(dir + "/sound.avi", m)) return 1;
    return 0;
}
