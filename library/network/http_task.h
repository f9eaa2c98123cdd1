// HTTP/1.0 GET, POST and HEAD requests run as tasks that ProcessMessage
// advances one step at a time over plain-mode network handles.
#pragma once
#include <cstdint>

constexpr int HTTP_TASK_MAX = 100;

enum HTTPRequestKind { HTTP_GET = 0, HTTP_POST = 1, HTTP_HEAD = 2 };
enum HTTPOutputKind { HTTP_OUTPUT_FILE = 0, HTTP_OUTPUT_MEMORY = 1 };

struct HTTPTaskRequest {
    int kind;               // HTTPRequestKind
    const char* host;       // at most 127 bytes
    int port;
    const char* path;       // at most 255 bytes
    const void* postData;   // POST only; copied
    int postSize;
    int outputKind;         // HTTPOutputKind (HEAD reads no body)
    const char* fileName;   // output file (Shift-JIS), replaced when it exists
    void** body;            // receives the memory body, owned by the caller
};

// Checks the request, connects to the host (the name lookup blocks) and
// queues the task; its index, or -1 with a log line.
int StartHTTPTaskImpl(const HTTPTaskRequest& request);

int ProcessHTTPTask(int index);
int EndHTTPTask(int index, int state, int result);
int DeleteHTTPTaskImpl(int index);
int GetHTTPTaskStatusImpl(int index, int* state, int* result, int* contentLength, int* received);
int HTTPGetLineValue(const char* text);
