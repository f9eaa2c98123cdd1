// The built-in image loaders, in the order the loader chain tries them.
#pragma once

struct StreamReader;
struct GraphImage;

int LoadBmpImage(StreamReader* reader, GraphImage* image);
int LoadJpegImage(StreamReader* reader, GraphImage* image);
int LoadPngImage(StreamReader* reader, GraphImage* image);
int LoadBgraImage(StreamReader* reader, GraphImage* image);
int LoadTgaImage(StreamReader* reader, GraphImage* image);
int LoadDdsImage(StreamReader* reader, GraphImage* image);
