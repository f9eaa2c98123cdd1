// ZoVav: the game library's public functions. Every function takes the
// library lock, runs, and returns 0 for success, -1 for failure, or a handle.
#ifndef ZOVAV_H
#define ZOVAV_H

#define ZOVAV_VERSION "2.23a"

#include <cstdint>

// Local date and time.
struct DateTimeData {
    int Year, Mon, Day, Hour, Min, Sec;
};

// Start-up, shutdown and the message loop.
int ZoVav_Init();
int ZoVav_End();
int ProcessMessage();

// Window and file-access settings; each may be made before ZoVav_Init.
int ChangeWindowMode(int flag);
int SetMainWindowText(const char* text);
int SetWindowIconID(int id);
int SetUseZVArchiveFlag(int flag);
int SetZVArchiveExtension(const char* extension);
int SetZVArchiveKeyString(const char* keyString);

// Time.
int GetNowCount(int useRDTSCFlag = 0);
int GetDateTime(DateTimeData* dateTime);

// Graphs
// Images become graphs: handles to pixels decoded from PNG, JPEG, BMP, TGA,
// DDS or the raw BGRA format ("x_a.png" beside "x.png" gives the alpha).
int SetUseHardwareDrawFlag(int flag);
int GetColor(int red, int green, int blue);
int SetTransColor(int red, int green, int blue);
int MakeGraph(int sizeX, int sizeY, int notUse3DFlag = 0);
int DeleteGraph(int grHandle, int logOutFlag = 0);
int LoadGraph(const char* fileName, int notUse3DFlag = 0);
int LoadDivGraph(const char* fileName, int allNum, int xNum, int yNum, int xSize, int ySize, int* handleBuf,
                 int notUse3DFlag = 0);
int GetGraphSize(int grHandle, int* sizeX, int* sizeY);

// Movies: LoadGraph of a movie file (Matroska, AVI, MP4/QuickTime, MPEG,
// Ogg, ASF) gives a graph that shows the movie's current frame wherever it is
// drawn; its sound track plays with the picture, which keeps to the sound's
// time. A movie starts paused; it pauses while the window is inactive and
// stops by itself at its end, keeping the last frame. Times are in
// milliseconds; a seek past the end goes to the end. GetMovieStateToGraph
// gives 1 while playing, 0 when paused or ended. Play and pause do nothing
// for a graph without a movie; tell, seek and the state give -1 for it.
int PlayMovieToGraph(int grHandle);
int PauseMovieToGraph(int grHandle);
int TellMovieToGraph(int grHandle);
int SeekMovieToGraph(int grHandle, int time);
int GetMovieStateToGraph(int grHandle);

// Input
// Keys and pads. CheckHitKey tests one key by its key code (1 down, 0 up);
// GetJoypadInputState returns the pad state word of a pad number (1 to 8, 0
// for none), with ZV_INPUT_KEYBOARD or-ed in to add the keyboard's keys.
int CheckHitKey(int keyCode);
int GetJoypadInputState(int inputType);

constexpr int ZV_INPUT_KEYBOARD = 0x1000;
constexpr int ZV_INPUT_PAD1 = 1;

// Bits of the pad state word. Pad button n gives ZV_PAD_BUTTON(n) (n 0..23);
// the keyboard gives Z X C A S D Q W for buttons 0 to 7, Escape for button 8
// and Space for button 9.
constexpr int ZV_PAD_DOWN = 0x0001;
constexpr int ZV_PAD_LEFT = 0x0002;
constexpr int ZV_PAD_RIGHT = 0x0004;
constexpr int ZV_PAD_UP = 0x0008;
constexpr int ZV_PAD_BUTTON(int n) { return 0x10 << n; }

// Key codes.
enum {
    DIK_ESCAPE = 0x01, DIK_1 = 0x02, DIK_2 = 0x03, DIK_3 = 0x04, DIK_4 = 0x05, DIK_5 = 0x06, DIK_6 = 0x07,
    DIK_7 = 0x08, DIK_8 = 0x09, DIK_9 = 0x0A, DIK_0 = 0x0B, DIK_MINUS = 0x0C, DIK_EQUALS = 0x0D,
    DIK_BACK = 0x0E, DIK_TAB = 0x0F, DIK_Q = 0x10, DIK_W = 0x11, DIK_E = 0x12, DIK_R = 0x13, DIK_T = 0x14,
    DIK_Y = 0x15, DIK_U = 0x16, DIK_I = 0x17, DIK_O = 0x18, DIK_P = 0x19, DIK_LBRACKET = 0x1A,
    DIK_RBRACKET = 0x1B, DIK_RETURN = 0x1C, DIK_LCONTROL = 0x1D, DIK_A = 0x1E, DIK_S = 0x1F, DIK_D = 0x20,
    DIK_F = 0x21, DIK_G = 0x22, DIK_H = 0x23, DIK_J = 0x24, DIK_K = 0x25, DIK_L = 0x26, DIK_SEMICOLON = 0x27,
    DIK_APOSTROPHE = 0x28, DIK_GRAVE = 0x29, DIK_LSHIFT = 0x2A, DIK_BACKSLASH = 0x2B, DIK_Z = 0x2C,
    DIK_X = 0x2D, DIK_C = 0x2E, DIK_V = 0x2F, DIK_B = 0x30, DIK_N = 0x31, DIK_M = 0x32, DIK_COMMA = 0x33,
    DIK_PERIOD = 0x34, DIK_SLASH = 0x35, DIK_RSHIFT = 0x36, DIK_MULTIPLY = 0x37, DIK_LMENU = 0x38,
    DIK_SPACE = 0x39, DIK_CAPITAL = 0x3A, DIK_F1 = 0x3B, DIK_F2 = 0x3C, DIK_F3 = 0x3D, DIK_F4 = 0x3E,
    DIK_F5 = 0x3F, DIK_F6 = 0x40, DIK_F7 = 0x41, DIK_F8 = 0x42, DIK_F9 = 0x43, DIK_F10 = 0x44,
    DIK_NUMLOCK = 0x45, DIK_SCROLL = 0x46, DIK_NUMPAD7 = 0x47, DIK_NUMPAD8 = 0x48, DIK_NUMPAD9 = 0x49,
    DIK_SUBTRACT = 0x4A, DIK_NUMPAD4 = 0x4B, DIK_NUMPAD5 = 0x4C, DIK_NUMPAD6 = 0x4D, DIK_ADD = 0x4E,
    DIK_NUMPAD1 = 0x4F, DIK_NUMPAD2 = 0x50, DIK_NUMPAD3 = 0x51, DIK_NUMPAD0 = 0x52, DIK_DECIMAL = 0x53,
    DIK_OEM_102 = 0x56, DIK_F11 = 0x57, DIK_F12 = 0x58, DIK_F13 = 0x64, DIK_F14 = 0x65, DIK_F15 = 0x66,
    DIK_KANA = 0x70, DIK_ABNT_C1 = 0x73, DIK_CONVERT = 0x79, DIK_NOCONVERT = 0x7B, DIK_YEN = 0x7D,
    DIK_NUMPADEQUALS = 0x8D, DIK_CIRCUMFLEX = 0x90, DIK_AT = 0x91, DIK_COLON = 0x92,
    DIK_NUMPADENTER = 0x9C, DIK_RCONTROL = 0x9D, DIK_NUMPADCOMMA = 0xB3, DIK_DIVIDE = 0xB5,
    DIK_SYSRQ = 0xB7, DIK_RMENU = 0xB8, DIK_PAUSE = 0xC5, DIK_HOME = 0xC7, DIK_UP = 0xC8, DIK_PRIOR = 0xC9,
    DIK_LEFT = 0xCB, DIK_RIGHT = 0xCD, DIK_END = 0xCF, DIK_DOWN = 0xD0, DIK_NEXT = 0xD1, DIK_INSERT = 0xD2,
    DIK_DELETE = 0xD3, DIK_LWIN = 0xDB, DIK_RWIN = 0xDC, DIK_APPS = 0xDD, DIK_POWER = 0xDE, DIK_SLEEP = 0xDF,
};

// Sound
// Sound effects and music from WAV, MP3 and Ogg Vorbis files. Loads decode
// the whole file (data type 0, the default) or, after
// SetCreateSoundDataType(2 or 3), decode while the sound plays, from a copy
// in memory (2) or from the open file (3). Without a sound device every
// function returns -1 and the program runs silent.
int LoadSoundMem(const char* fileName, int bufferNum = 3, int unionHandle = -1);
int DeleteSoundMem(int soundHandle, int logOutFlag = 0);
int PlaySoundMem(int soundHandle, int playType, int topPositionFlag = 1);
int StopSoundMem(int soundHandle);
int SetCreateSoundDataType(int soundDataType);
int StopSound();
int StopMusic();

// Play types: NORMAL returns when the sound has ended, BACK returns at once,
// LOOP returns at once and repeats until stopped.
constexpr int ZV_PLAYTYPE_NORMAL = 0;
constexpr int ZV_PLAYTYPE_BACK = 1;
constexpr int ZV_PLAYTYPE_LOOP = 3;

// Fonts
// Font handles for text: a face name (null or "" for the default face), a
// size in pixels, a thickness (1..9), a type (bit 0 edge, bit 1 anti-aliased),
// a character set (-1 the system's), an edge size and an italic flag; -1 in
// size, thickness, type or edge size takes the default (16, 6, 0, 1). At most
// 40 fonts exist at once. The default font (size 16, or SetFontSize's) is the
// one GetDrawStringWidth measures with; strings are Shift-JIS.
int CreateFontToHandle(const char* fontName, int size, int thick, int fontType = -1, int charSet = -1,
                       int edgeSize = -1, int italic = 0, int slotIndex = -1, int serial = -1);
int DeleteFontToHandle(int fontHandle);
int SetFontSize(int fontSize);
int GetDrawStringWidth(const char* string, int strLen, int verticalFlag = 0);

// Screens and drawing
// Drawing goes to the draw screen: SCREEN_BACK (shown by ScreenFlip),
// SCREEN_FRONT (shown as it is drawn) or a graph made draw-valid. Colours
// come from GetColor. Blend modes: ZV_BLEND_NOBLEND, ALPHA, ADD, SUB, MUL
// with a parameter 0-255. Text functions draw with fonts and return -1
// while no font exists.
struct RECT {
    int left, top, right, bottom;
};

// Pixel formats. ColorData describes a pixel buffer: depth, bytes per pixel,
// and each channel's width, shift and mask; bits that no channel uses are
// the spare bits (set to 1 when packing). The palette (blue, green, red, 0)
// serves 8-bit buffers. SurfacePixelFormat is the 32-byte description the
// surfaces take. CreateColorData fills a record from masks (the palette is
// left as it is); CreatePixelFormat fills a description (flags RGB only,
// also with an alpha mask). Both are plain arithmetic and return 0.
struct ColorPaletteEntry {
    uint8_t Blue, Green, Red, Reserved;
};
struct ColorData {
    uint16_t ColorBitDepth;
    uint16_t PixelByte;
    uint8_t RedWidth, GreenWidth, BlueWidth, AlphaWidth;
    uint8_t RedLoc, GreenLoc, BlueLoc, AlphaLoc;
    uint32_t RedMask, GreenMask, BlueMask, AlphaMask;
    uint32_t NoneMask;            // bits of the depth that no channel uses
    ColorPaletteEntry Palette[256];
    uint8_t NoneLoc, NoneWidth;
};
struct SurfacePixelFormat {
    uint32_t Size;          // 32
    uint32_t Flags;         // 0x40 RGB, 0x1 alpha pixels, 0x4 four-character code
    uint32_t FourCC;
    uint32_t RGBBitCount;
    uint32_t RBitMask, GBitMask, BBitMask, RGBAlphaBitMask;
};
int CreateColorData(ColorData* colorData, int colorBitDepth, uint32_t redMask, uint32_t greenMask,
                    uint32_t blueMask, uint32_t alphaMask);
int CreatePixelFormat(SurfacePixelFormat* pixelFormat, int colorBitDepth, uint32_t redMask, uint32_t greenMask,
                      uint32_t blueMask, uint32_t alphaMask);

constexpr int SCREEN_BACK = -2;
constexpr int SCREEN_FRONT = -4;
constexpr int ZV_BLEND_NOBLEND = 0;
constexpr int ZV_BLEND_ALPHA = 1;
constexpr int ZV_BLEND_ADD = 2;
constexpr int ZV_BLEND_SUB = 3;
constexpr int ZV_BLEND_MUL = 4;

int ScreenFlip();
int SaveDrawScreenToBMP(int x1, int y1, int x2, int y2, const char* fileName);
int ClearDrawScreen();
int DrawGraph(int x, int y, int grHandle, int transFlag);
int DrawRotaGraph(int x, int y, double exRate, double angle, int grHandle, int transFlag, int turnFlag = 0);
int DrawLine(int x1, int y1, int x2, int y2, int color, int thickness = 1);
int DrawBox(int x1, int y1, int x2, int y2, int color, int fillFlag);
int DrawTriangle(int x1, int y1, int x2, int y2, int x3, int y3, int color, int fillFlag);
int DrawString(int x, int y, const char* string, int color, int edgeColor = 0);
int DrawStringToHandle(int x, int y, const char* string, int color, int fontHandle, int edgeColor = 0,
                       int verticalFlag = 0);
int DrawFormatString(int x, int y, int color, const char* format, ...) __attribute__((format(printf, 4, 5)));
int DrawFormatStringToHandle(int x, int y, int color, int fontHandle, const char* format, ...)
    __attribute__((format(printf, 5, 6)));
int SetDrawBlendMode(int blendMode, int blendParam);
int SetDrawBright(int red, int green, int blue);
int SetDrawScreen(int drawScreen);
int GetDrawScreenGraph(int x1, int y1, int x2, int y2, int grHandle, int useClientFlag = 1);
int RectClipping(RECT* rect, const RECT* clipRect);
const SurfacePixelFormat* GetScreenPixelFormat();

// Network
// Connections carry a byte stream in length-prefixed packets (4-byte
// little-endian length, then the bytes). ListenNetWork accepts connections
// on a port (0 takes a free one, see GetListenNetWorkPort) and each one
// becomes a handle taken with GetNewAcceptNetWork; ConnectNetWork makes an
// outgoing one, whose GetNetWorkAcceptState is 0 until it is made. A lost
// connection reports 0 once and is closed by the next ProcessMessage once its
// received bytes have been read. CloseNetWork gives queued bytes a second to
// leave; it returns -1 when some had to be dropped (the handle is closed all
// the same) and 0 when everything went out. The first network call starts the
// layer; names are looked up there, blocking the call.
int ListenNetWork(int port);
int StopListenNetWork();
int GetListenNetWorkPort();
int ConnectNetWork(const char* address, int port);
int GetNewAcceptNetWork();
int GetNetWorkPeerAddress(int netHandle, unsigned char address[4], int* port);
int CloseNetWork(int netHandle);
int GetNetWorkAcceptState(int netHandle);
int GetNetWorkDataLength(int netHandle);
int NetWorkRecv(int netHandle, void* buffer, int length);
int NetWorkRecvToPeek(int netHandle, void* buffer, int length);
int NetWorkSend(int netHandle, const void* buffer, int length);

// HTTP/1.0 requests run as tasks that ProcessMessage advances; each start
// returns a task number or -1. A GET writes the body to a file or into a
// memory block stored at *body (free it with FreeHTTPBody); a POST sends a
// copy of its data and keeps the answer in memory the same way; a HEAD reads
// the content length. Status: state -1 running, 0 finished, 2 failed with
// result 0 (bad answer), 1 (404), 2 (no memory) or 3 (connection lost);
// content length -1 while unknown. A task stays until DeleteHTTPTask.
int StartHTTPGetFile(const char* host, int port, const char* path, const char* fileName);
int StartHTTPGetMem(const char* host, int port, const char* path, void** body);
int StartHTTPPost(const char* host, int port, const char* path, const void* data, int size, void** body);
int StartHTTPHead(const char* host, int port, const char* path);
int GetHTTPTaskStatus(int task, int* state, int* result, int* contentLength, int* received);
int DeleteHTTPTask(int task);
int FreeHTTPBody(void* body);

#endif
