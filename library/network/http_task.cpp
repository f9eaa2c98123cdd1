// HTTP tasks: the request text, the status line, the header lines and the
// body read into a file or a memory block, one step per ProcessMessage, over
// plain-mode network handles.
#include "network/http_task.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "core/alloc.h"
#include "core/file/file_names.h"
#include "core/log.h"
#include "core/routines.h"
#include "network/net_handle.h"
#include "network/network.h"

namespace {
constexpr int kLineBytes = 256;     // a header line and its line feed fit 255 bytes
constexpr int kChunkBytes = 4096;
constexpr int kHostMax = 127;
constexpr int kPathMax = 255;

enum Step { STEP_SEND = 0, STEP_STATUS = 1, STEP_HEADERS = 2, STEP_BODY = 3, STEP_ENDED = 4 };
enum LineResult { LINE_TAKEN, LINE_WAIT, LINE_TOO_LONG, LINE_NUL };

struct HTTPTaskData {
    int kind;
    int step;
    int state;              // -1 running, 0 finished, 2 failed
    int result;             // -1, or why it failed: 0 status, 1 404, 2 no memory, 3 connection lost
    int netHandle;
    int outputKind;
    FILE* file;
    void** body;
    int bodyCapacity;
    int contentLength;      // -1 while unknown
    int received;
    int peerGone;           // the connection was down when this step began
    char* out;              // request text (and POST data) not yet sent
    int outSize, outSent;
};

struct HTTPState {
    HTTPTaskData* tasks[HTTP_TASK_MAX];
    int count;
    unsigned char chunk[kChunkBytes];   // file output, holds data within one step only
};
HTTPState g_http = {};

HTTPTaskData* TaskAt(int index) {
    return index >= 0 && index < HTTP_TASK_MAX ? g_http.tasks[index] : nullptr;
}

int FailTask(int index, const char* why) {
    ErrorLogFmtAdd("HTTP の応答を読めませんでした(%s)", why);
    return EndHTTPTask(index, 2, 0);
}

// Host and path go into the request text as they stand: no blanks or control
// characters, so a caller cannot add lines to the request.
bool PlainText(const char* text, int maxBytes) {
    if (!text || !*text) return false;
    int n = 0;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p, ++n)
        if (*p <= ' ' || *p == 0x7F || n >= maxBytes) return false;
    return true;
}

void FlushRequest(HTTPTaskData* t) {
    if (!t->out) return;
    const int n = NetWorkSendImpl(t->netHandle, t->out + t->outSent, t->outSize - t->outSent);
    if (n > 0) t->outSent += n;
    if (t->outSent == t->outSize) {
        ZvFree(t->out);
        t->out = nullptr;
    }
}

// Takes one whole line (without its line feed) when it has arrived.
LineResult HTTPReadLine(int netHandle, char* line) {
    char peek[kLineBytes] = {};
    const int n = NetWorkRecvToPeekImpl(netHandle, peek, kLineBytes - 1);
    if (n <= 0) return LINE_WAIT;
    const char* feed = static_cast<const char*>(memchr(peek, '\n', size_t(n)));
    const int length = feed ? int(feed - peek) : n;
    if (memchr(peek, 0, size_t(length))) return LINE_NUL;
    if (!feed) return n == kLineBytes - 1 ? LINE_TOO_LONG : LINE_WAIT;
    MemCopy(line, peek, size_t(length));
    line[length] = 0;
    NetWorkRecvImpl(netHandle, peek, length + 1);
    return LINE_TAKEN;
}

// A line that could not be taken: wait for more, or end the task when no
// more can come or the line is unusable. Always 0.
int LineNotTaken(int index, HTTPTaskData* t, LineResult r) {
    if (r == LINE_TOO_LONG) return FailTask(index, "行が 255 バイトを超えています");
    if (r == LINE_NUL) return FailTask(index, "行に NUL 文字があります");
    if (t->peerGone) EndHTTPTask(index, 2, 3);
    return 0;
}

bool IsHeaderName(const char* line, const char* colon, const char* name) {
    const size_t n = size_t(colon - line);
    if (n != strlen(name)) return false;
    for (size_t i = 0; i < n; ++i) {
        char c = line[i];
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
        if (c != name[i]) return false;
    }
    return true;
}

// 1 when the line was the Content-Length header, 0 for another header, -1
// when the header was unusable and the task has failed.
int TakeHeader(int index, HTTPTaskData* t, const char* line, const char* colon) {
    if (!IsHeaderName(line, colon, "content-length")) return 0;
    const char* problem = nullptr;
    const char* p = colon + 1;
    while (*p == ' ' || *p == '\t') ++p;
    long long value = 0;
    const char* digits = p;
    for (; *p >= '0' && *p <= '9' && value <= INT32_MAX; ++p) value = value * 10 + (*p - '0');
    while (*p == ' ' || *p == '\t' || *p == '\r') ++p;
    if (t->contentLength != -1) problem = "Content-Length が二度あります";
    else if (value > INT32_MAX) problem = "Content-Length が大きすぎます";
    else if (p == digits || *p) problem = "Content-Length の値が正しくありません";
    if (problem) {
        FailTask(index, problem);
        return -1;
    }
    t->contentLength = int(value);
    return 1;
}

// Room for at least one more chunk in a memory body of unknown length.
bool GrowBody(HTTPTaskData* t) {
    if (t->bodyCapacity - t->received >= kChunkBytes) return true;
    long long size = t->bodyCapacity < kChunkBytes ? kChunkBytes : 2LL * t->bodyCapacity;
    if (size > INT32_MAX) size = INT32_MAX;
    if (size - t->received <= 0) return false;
    void* block = ZvAlloc(size_t(size), "", 0);
    if (!block) return false;
    if (*t->body) {
        MemCopy(block, *t->body, size_t(t->received));
        ZvFree(*t->body);
    }
    *t->body = block;
    t->bodyCapacity = int(size);
    return true;
}

// Takes body bytes while they keep coming. Always 0.
int ReadBody(int index, HTTPTaskData* t) {
    const bool known = t->contentLength >= 0;
    for (;;) {
        if (known && t->received >= t->contentLength) break;
        unsigned char* into;
        int want;
        if (t->outputKind == HTTP_OUTPUT_FILE) {
            into = g_http.chunk;
            want = known && t->contentLength - t->received < kChunkBytes ? t->contentLength - t->received : kChunkBytes;
        } else {
            if (!known && !GrowBody(t)) return EndHTTPTask(index, 2, 2);
            into = static_cast<unsigned char*>(*t->body) + t->received;
            want = (known ? t->contentLength : t->bodyCapacity) - t->received;
        }
        const int n = NetWorkRecvImpl(t->netHandle, into, want);
        if (n < 0) return 0;
        if (t->outputKind == HTTP_OUTPUT_FILE && n > 0 && fwrite(into, 1, size_t(n), t->file) != size_t(n)) {
            ErrorLogAdd("HTTP の応答をファイルに書き込めませんでした\n");
            return EndHTTPTask(index, 2, 0);
        }
        t->received += n;
        if (n == 0) {
            // The end of the stream ends a body of unknown length.
            if (!known && GetNetWorkAcceptStateImpl(t->netHandle) != 1 && GetNetWorkDataLengthImpl(t->netHandle) <= 0)
                break;
            return 0;
        }
    }
    t->step = STEP_ENDED;
    return EndHTTPTask(index, 0, -1);
}

int RunSteps(int index, HTTPTaskData* t) {
    char line[kLineBytes];
    for (;;) {
        switch (t->step) {
            case STEP_SEND:
                t->step = STEP_STATUS;
                continue;
            case STEP_STATUS: {
                const LineResult r = HTTPReadLine(t->netHandle, line);
                if (r != LINE_TAKEN) return LineNotTaken(index, t, r);
                const int status = HTTPGetLineValue(line);
                if (status == 200) {
                    t->step = STEP_HEADERS;
                    continue;
                }
                if (t->kind == HTTP_GET) ErrorLogFmtAdd("接続に失敗しました (戻り値:%d)", status);
                return EndHTTPTask(index, 2, status == 404 ? 1 : 0);
            }
            case STEP_HEADERS: {
                // One header line per call.
                const LineResult r = HTTPReadLine(t->netHandle, line);
                if (r != LINE_TAKEN) return LineNotTaken(index, t, r);
                const char* colon = strchr(line, ':');
                if (!colon) {
                    // A HEAD task ends at its Content-Length header only.
                    if (t->kind == HTTP_HEAD) return 0;
                    t->step = STEP_BODY;
                    continue;
                }
                if (TakeHeader(index, t, line, colon) != 1) return 0;
                if (t->kind == HTTP_HEAD) {
                    t->step = STEP_ENDED;
                    return EndHTTPTask(index, 0, -1);
                }
                if (t->outputKind == HTTP_OUTPUT_MEMORY) {
                    *t->body = ZvAlloc(size_t(t->contentLength > 0 ? t->contentLength : 1), "", 0);
                    if (!*t->body) return EndHTTPTask(index, 2, 2);
                    t->bodyCapacity = t->contentLength;
                }
                return 0;
            }
            case STEP_BODY:
                if (t->kind != HTTP_HEAD) return ReadBody(index, t);
                return EndHTTPTask(index, 0, -1);
            case STEP_ENDED:
                return EndHTTPTask(index, 0, -1);
            default:
                return 0;
        }
    }
}

int FormatRequest(HTTPTaskData* t, const HTTPTaskRequest& q) {
    char text[640];
    int n;
    switch (q.kind) {
        case HTTP_GET:
            n = FormatString(text, sizeof text, "GET %s HTTP/1.0\r\nHost: %s:%d\r\nConnection: close\r\n\r\n", q.path,
                             q.host, q.port);
            break;
        case HTTP_POST:
            n = FormatString(text, sizeof text, "POST %s HTTP/1.0\r\nHost: %s:%d\r\nContent-Length: %d\r\n\r\n",
                             q.path, q.host, q.port, q.postSize);
            break;
        default:
            n = FormatString(text, sizeof text, "HEAD %s HTTP/1.0\r\nHost: %s:%d\r\n\r\n", q.path, q.host, q.port);
            break;
    }
    const int post = q.kind == HTTP_POST ? q.postSize : 0;
    t->out = static_cast<char*>(ZvAlloc(size_t(n) + size_t(post), "", 0));
    if (!t->out) return ErrorLogAdd("HTTP の要求を作るメモリが確保できませんでした\n");
    MemCopy(t->out, text, size_t(n));
    if (post > 0) MemCopy(t->out + n, q.postData, size_t(post));
    t->outSize = n + post;
    t->outSent = 0;
    return 0;
}

const char* RequestProblem(const HTTPTaskRequest& q) {
    if (q.kind < HTTP_GET || q.kind > HTTP_HEAD) return "要求の種類";
    if (!PlainText(q.host, kHostMax)) return "ホスト名";
    if (!PlainText(q.path, kPathMax)) return "パス";
    if (q.port <= 0 || q.port > 65535) return "ポート番号";
    // The request text and the data must fit one int-counted block.
    if (q.kind == HTTP_POST && (q.postSize < 0 || q.postSize > INT32_MAX - 1024 || (q.postSize > 0 && !q.postData)))
        return "送信データ";
    if (q.kind == HTTP_HEAD) return nullptr;
    if (q.outputKind == HTTP_OUTPUT_FILE && !q.fileName) return "ファイル名";
    if (q.outputKind == HTTP_OUTPUT_MEMORY && !q.body) return "受け取り先";
    if (q.outputKind != HTTP_OUTPUT_FILE && q.outputKind != HTTP_OUTPUT_MEMORY) return "出力先の種類";
    return nullptr;
}

void FreeTask(int index) {
    ZvFree(g_http.tasks[index]);
    g_http.tasks[index] = nullptr;
    g_http.count -= 1;
}
}  // namespace

int InitializeHTTP() {
    MemSet(g_http.tasks, 0, sizeof g_http.tasks);
    g_http.count = 0;
    return 0;
}

int TerminateHTTP() {
    const int count = g_http.count;
    for (int i = 0, done = 0; i < HTTP_TASK_MAX && done < count; ++i) {
        if (!g_http.tasks[i]) continue;
        DeleteHTTPTaskImpl(i);
        ++done;
    }
    return 0;
}

int ProcessHTTPTasks() {
    const int count = g_http.count;
    for (int i = 0, done = 0; i < HTTP_TASK_MAX && done < count; ++i) {
        if (!g_http.tasks[i]) continue;
        ProcessHTTPTask(i);
        ++done;
    }
    return 0;
}

int ProcessHTTPTask(int index) {
    HTTPTaskData* t = TaskAt(index);
    if (!t) return -1;
    if (t->state != -1) return 0;
    // Nothing moves before the connection is made or refused.
    if (GetNetWorkConnectingState(t->netHandle) == 1) return 0;
    FlushRequest(t);
    const int up = GetNetWorkAcceptStateImpl(t->netHandle);
    const int waiting = GetNetWorkDataLengthImpl(t->netHandle);
    t->peerGone = up != 1;
    if (t->peerGone && waiting <= 0) {
        // Down with nothing left to read, or the handle is gone: the end of a
        // body of unknown length, otherwise a lost connection.
        if (t->step == STEP_BODY && t->contentLength == -1 && t->kind != HTTP_HEAD) {
            t->step = STEP_ENDED;
            return EndHTTPTask(index, 0, -1);
        }
        return EndHTTPTask(index, 2, 3);
    }
    return RunSteps(index, t);
}

int EndHTTPTask(int index, int state, int result) {
    HTTPTaskData* t = TaskAt(index);
    if (!t) return -1;
    if (t->netHandle != -1) {
        CloseNetWorkImpl(t->netHandle);
        t->netHandle = -1;
    }
    ZvFree(t->out);
    t->out = nullptr;
    if (t->file) {
        // A file that cannot be completed is no finished download.
        if (fclose(t->file) != 0 && t->state == -1 && state == 0) {
            ErrorLogAdd("HTTP の応答をファイルに書き込めませんでした\n");
            state = 2;
            result = 0;
        }
        t->file = nullptr;
    }
    if (t->state == -1) t->state = state;
    if (t->result == -1) t->result = result;
    if (t->body && t->state != 0 && *t->body) {
        ZvFree(*t->body);
        *t->body = nullptr;
    }
    return 0;
}

int DeleteHTTPTaskImpl(int index) {
    if (!TaskAt(index)) return -1;
    EndHTTPTask(index, 0, -1);
    FreeTask(index);
    return 0;
}

int GetHTTPTaskStatusImpl(int index, int* state, int* result, int* contentLength, int* received) {
    const HTTPTaskData* t = TaskAt(index);
    if (!t) return ErrorLogFmtAdd("HTTP のタスク %d はありません in GetHTTPTaskStatus", index);
    if (state) *state = t->state;
    if (result) *result = t->result;
    if (contentLength) *contentLength = t->contentLength;
    if (received) *received = t->received;
    return 0;
}

int HTTPGetLineValue(const char* text) {
    const char* blank = StrChr(text, ' ');
    return blank ? AtoI(blank) : -1;
}

int StartHTTPTaskImpl(const HTTPTaskRequest& request) {
    if (const char* problem = RequestProblem(request))
        return ErrorLogFmtAdd("HTTP の要求の%sが正しくありません", problem);
    int index = 0;
    while (index < HTTP_TASK_MAX && g_http.tasks[index]) ++index;
    if (index == HTTP_TASK_MAX) return ErrorLogAdd("HTTP のタスクがいっぱいです\n");
    auto* t = static_cast<HTTPTaskData*>(ZvAlloc(sizeof(HTTPTaskData), "", 0));
    if (!t) return ErrorLogAdd("HTTP のタスクのメモリが確保できませんでした\n");
    MemSet(t, 0, sizeof *t);
    t->kind = request.kind;
    t->state = t->result = t->contentLength = -1;
    t->outputKind = request.kind == HTTP_HEAD ? HTTP_OUTPUT_MEMORY : request.outputKind;
    if (request.kind != HTTP_HEAD && t->outputKind == HTTP_OUTPUT_MEMORY) {
        t->body = request.body;
        *t->body = nullptr;
    }
    t->netHandle = -1;
    if (FormatRequest(t, request) != 0) {
        ZvFree(t);
        return -1;
    }
    t->netHandle = ConnectNetWorkImpl(request.host, request.port, 0);
    bool ok = t->netHandle != -1;
    if (ok && request.kind != HTTP_HEAD && t->outputKind == HTTP_OUTPUT_FILE) {
        std::string diskName;
        t->file = ToDiskPath(request.fileName, diskName) == 0 ? fopen(diskName.c_str(), "wb") : nullptr;
        if (!t->file) {
            ErrorLogFmtAdd("HTTP の出力ファイル %.200s を開けませんでした", request.fileName);
            ok = false;
        }
    }
    g_http.tasks[index] = t;
    g_http.count += 1;
    if (!ok) {
        DeleteHTTPTaskImpl(index);
        return -1;
    }
    return index;
}
