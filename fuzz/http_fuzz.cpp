// Fuzz target for the HTTP response reader: any bytes are served as the
// answer to a GET, POST or HEAD task through a stand-in connection that
// hands them over in random pieces and accepts the request in random
// pieces. Every task must end once the answer is in and the peer has gone,
// and a finished body must have the length it announced.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/file/file_names.h"
#include "network/http_task.h"
#include "network/net_handle.h"
#include "network/network.h"

namespace {
constexpr int kHandle = 0x48000001;

// The stand-in connection: `released` bytes of the answer have arrived and
// `taken` of them were read; the peer leaves once all have arrived.
struct FakeConnection {
    const uint8_t* answer;
    int size, released, taken;
    int open, connecting;
    uint32_t random;
    int Next(int limit) {
        random = random * 1103515245u + 12345u;
        return 1 + int((random >> 16) % uint32_t(limit));
    }
    int Waiting() const { return released - taken; }
};
FakeConnection g_conn;

bool Live(int handle) { return handle == kHandle && g_conn.open; }
}  // namespace

// The output file's name goes to the disk as it stands.
int ToDiskPath(const char* path, std::string& out) {
    out = path;
    return 0;
}

int ConnectNetWorkImpl(const char*, int, int) {
    g_conn.open = 1;
    return kHandle;
}
int GetNetWorkConnectingState(int h) { return Live(h) ? g_conn.connecting : -1; }
int CloseNetWorkImpl(int h) {
    if (!Live(h)) return -1;
    g_conn.open = 0;
    return 0;
}
int GetNetWorkAcceptStateImpl(int h) { return Live(h) ? (g_conn.released < g_conn.size ? 1 : 0) : -1; }
int GetNetWorkDataLengthImpl(int h) { return Live(h) ? g_conn.Waiting() : -1; }
int NetWorkSendImpl(int h, const void*, int length) {
    if (!Live(h) || g_conn.released >= g_conn.size) return -1;
    return length > 0 ? g_conn.Next(length) : 0;
}
static int Take(int h, void* buffer, int length, bool peek) {
    if (!Live(h) || length < 0) return -1;
    const int n = length < g_conn.Waiting() ? length : g_conn.Waiting();
    if (n == 0 && g_conn.released < g_conn.size) return -1;   // would block
    memcpy(buffer, g_conn.answer + g_conn.taken, size_t(n));
    if (!peek) g_conn.taken += n;
    return n;
}
int NetWorkRecvImpl(int h, void* buffer, int length) { return Take(h, buffer, length, false); }
int NetWorkRecvToPeekImpl(int h, void* buffer, int length) { return Take(h, buffer, length, true); }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const int kind = data[0] % 3;
    const bool toFile = (data[0] & 4) != 0;
    g_conn = FakeConnection{data + 2, int(size - 2), 0, 0, 0, (data[0] & 8) != 0, data[1] * 2654435761u};
    InitializeHTTP();
    void* body = nullptr;
    const char post[] = "fuzz";
    HTTPTaskRequest q = {kind, "example", 80, "/x", post, 4, toFile ? HTTP_OUTPUT_FILE : HTTP_OUTPUT_MEMORY,
                         "/dev/null", &body};
    const int task = StartHTTPTaskImpl(q);
    if (task < 0) abort();
    int state = -1, result = -1, length = -1, received = 0;
    // Each pass lets a random piece arrive; header lines take one pass each,
    // so the task has that many passes and a few more after the peer leaves.
    for (int pass = 0; state == -1 && pass < 2 * g_conn.size + 16; ++pass) {
        if (pass == 3) g_conn.connecting = 0;
        if (g_conn.released < g_conn.size) {
            const int piece = g_conn.Next(64);
            g_conn.released += piece < g_conn.size - g_conn.released ? piece : g_conn.size - g_conn.released;
        }
        ProcessHTTPTasks();
        GetHTTPTaskStatusImpl(task, &state, &result, &length, &received);
    }
    if (state == -1) abort();                                        // a task that never ends
    if (state == 0 && kind != HTTP_HEAD && length >= 0 && received != length) abort();
    if (state != 0 && body) abort();                                 // a failed task keeps no body
    DeleteHTTPTaskImpl(task);
    TerminateHTTP();
    free(body);
    return 0;
}
