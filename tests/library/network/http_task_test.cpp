// HTTP tasks against a scripted server on 127.0.0.1: bodies into files and
// memory, with and without a length, failures by status, by malformed
// headers and by lost or refused connections, and the request texts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "loopback.h"
#include "network/http_task.h"

using nettest::LibraryFixture;
using nettest::ScriptedPeer;

namespace {
struct Outcome {
    int state = -9, result = -9, contentLength = -9, received = -9;
    std::string request;   // what the server was sent
};

class HTTP : public LibraryFixture {
protected:
    // Pumps a started task until it ends; -1 tasks end at once.
    void Finish(int task, Outcome& o) {
        ASSERT_NE(task, -1) << Log();
        EXPECT_TRUE(PumpUntil([&] {
            GetHTTPTaskStatus(task, &o.state, &o.result, &o.contentLength, &o.received);
            return o.state != -1;
        })) << Log();
        EXPECT_EQ(DeleteHTTPTask(task), 0);
    }
    // A server that reads the request, then sends the pieces (the last one
    // followed by a close).
    Outcome GetMem(const std::vector<std::string>& pieces, std::string* body) {
        Outcome o;
        void* block = nullptr;
        {
            ScriptedPeer server([&](int fd) { Serve(fd, pieces, &o.request); });
            Finish(StartHTTPGetMem("127.0.0.1", server.port(), "/m", &block), o);
        }
        if (block) {
            body->assign(static_cast<char*>(block), size_t(o.received));
            FreeHTTPBody(block);
        } else {
            *body = "<none>";
        }
        return o;
    }
    static void Serve(int fd, const std::vector<std::string>& pieces, std::string* request) {
        *request = nettest::RecvRequest(fd);
        for (const std::string& p : pieces) {
            nettest::SendAll(fd, p);
            std::this_thread::sleep_for(std::chrono::milliseconds(3));
        }
    }
};

// Headers are read one per pass, so the close is seen while lines still wait.
const std::string kHello =
    "HTTP/1.0 200 OK\r\nServer: t\r\nX-1: a\r\nX-2: b\r\nX-3: c\r\nX-4: d\r\nContent-Length: 5\r\n\r\nhello";
}  // namespace

TEST_F(HTTP, GetWithALengthIntoAFileAndIntoMemory) {
    Outcome o;
    {
        ScriptedPeer server([&](int fd) { Serve(fd, {kHello}, &o.request); });
        Finish(StartHTTPGetFile("127.0.0.1", server.port(), "/f.txt", "got.txt"), o);
        EXPECT_EQ(o.request, "GET /f.txt HTTP/1.0\r\nHost: 127.0.0.1:" + std::to_string(server.port()) +
                                 "\r\nConnection: close\r\n\r\n");
    }
    EXPECT_EQ(o.state, 0);
    EXPECT_EQ(o.result, -1);
    EXPECT_EQ(o.contentLength, 5);
    EXPECT_EQ(o.received, 5);
    EXPECT_EQ(zvtest::ReadWholeFile("got.txt"), "hello");

    std::string body;
    o = GetMem({kHello}, &body);
    EXPECT_EQ(o.state, 0);
    EXPECT_EQ(body, "hello");
}

TEST_F(HTTP, ResponsesInPiecesAndHeadersInAnyCase) {
    std::string body;
    const std::string text = "HTTP/1.0 200 OK\r\nServer: t\r\ncontent-length: 11\r\n\r\nhello world";
    std::vector<std::string> pieces;
    for (size_t at = 0; at < text.size(); at += 7) pieces.push_back(text.substr(at, 7));
    Outcome o = GetMem(pieces, &body);
    EXPECT_EQ(o.state, 0);
    EXPECT_EQ(o.contentLength, 11);
    EXPECT_EQ(body, "hello world");
}

TEST_F(HTTP, BodyWithoutALengthEndsWithTheConnection) {
    std::string big;
    for (int i = 0; i < 30000; ++i) big += char('a' + i % 26);
    std::string body;
    Outcome o = GetMem({"HTTP/1.0 200 OK\r\n\r\n", big.substr(0, 10000), big.substr(10000)}, &body);
    EXPECT_EQ(o.state, 0);
    EXPECT_EQ(o.contentLength, -1);
    EXPECT_EQ(o.received, 30000);
    EXPECT_EQ(body, big);
    {
        ScriptedPeer server([&](int fd) { Serve(fd, {"HTTP/1.0 200 OK\r\n\r\n" + big}, &o.request); });
        Finish(StartHTTPGetFile("127.0.0.1", server.port(), "/", "big.bin"), o);
    }
    EXPECT_EQ(o.state, 0);
    EXPECT_EQ(zvtest::ReadWholeFile("big.bin"), big);
}

TEST_F(HTTP, FailuresEndTheTaskWithTheirResult) {
    struct Case {
        const char* name;
        std::vector<std::string> pieces;
        int result;
        const char* logLine;
    };
    const std::vector<Case> cases = {
        {"404", {"HTTP/1.0 404 Not Found\r\n\r\n"}, 1, "接続に失敗しました (戻り値:404)"},
        {"500", {"HTTP/1.0 500 Oops\r\n\r\n"}, 0, "接続に失敗しました (戻り値:500)"},
        {"close before the status line", {}, 3, nullptr},
        {"status line cut by the close", {"HTTP/1.0 20"}, 3, nullptr},
        {"body cut by the close", {"HTTP/1.0 200 OK\r\nContent-Length: 9\r\n\r\nhalf"}, 3, nullptr},
        {"300-byte header line", {"HTTP/1.0 200 OK\r\nX: " + std::string(300, 'x') + "\r\n\r\n"}, 0,
         "行が 255 バイトを超えています"},
        {"NUL in a header", {std::string("HTTP/1.0 200 OK\r\nX: a\0b\r\n\r\n", 27)}, 0, "行に NUL 文字があります"},
        {"negative length", {"HTTP/1.0 200 OK\r\nContent-Length: -5\r\n\r\nhello"}, 0,
         "Content-Length の値が正しくありません"},
        {"overflowing length", {"HTTP/1.0 200 OK\r\nContent-Length: 4294967301\r\n\r\nhello"}, 0,
         "Content-Length が大きすぎます"},
        {"repeated length", {"HTTP/1.0 200 OK\r\nContent-Length: 5\r\nContent-Length: 5\r\n\r\nhello"}, 0,
         "Content-Length が二度あります"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string body;
        Outcome o = GetMem(c.pieces, &body);
        EXPECT_EQ(o.state, 2);
        EXPECT_EQ(o.result, c.result);
        EXPECT_EQ(body, "<none>");     // a failed task leaves no body block
        if (c.logLine) {
            EXPECT_NE(Log().find(c.logLine), std::string::npos) << Log();
        }
    }
}

TEST_F(HTTP, RefusedConnectionFailsTheTask) {
    const int port = nettest::RefusingPort();
    Outcome o;
    Finish(StartHTTPHead("127.0.0.1", port, "/"), o);
    EXPECT_EQ(o.state, 2);
    EXPECT_EQ(o.result, 3);
}

TEST_F(HTTP, NothingHappensWhileTheConnectionIsBeingMade) {
    // A server whose accept queue is full: the task's connection stays
    // under way until the queue is emptied.
    int listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = nettest::Loopback(0);
    socklen_t size = sizeof a;
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    ASSERT_EQ(listen(listener, 0), 0);
    getsockname(listener, reinterpret_cast<sockaddr*>(&a), &size);
    int filler = socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_EQ(connect(filler, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);

    void* body = nullptr;
    const int task = StartHTTPGetMem("127.0.0.1", ntohs(a.sin_port), "/slow", &body);
    ASSERT_NE(task, -1);
    Pump(30);
    int state = 0;
    GetHTTPTaskStatus(task, &state, nullptr, nullptr, nullptr);
    EXPECT_EQ(state, -1);

    std::string request;
    std::thread server([&] {
        close(accept(listener, nullptr, nullptr));   // the filler
        pollfd p = {listener, POLLIN, 0};
        if (poll(&p, 1, nettest::kHangBoundMs) <= 0) return;
        int fd = accept(listener, nullptr, nullptr);
        Serve(fd, {kHello}, &request);
        close(fd);
    });
    Outcome o;
    Finish(task, o);
    server.join();
    close(filler);
    close(listener);
    EXPECT_EQ(o.state, 0);
    ASSERT_NE(body, nullptr);
    EXPECT_EQ(std::string(static_cast<char*>(body), 5), "hello");
    FreeHTTPBody(body);
}

TEST_F(HTTP, HeadGivesTheLengthAndPostSendsItsData) {
    Outcome o;
    {
        ScriptedPeer server([&](int fd) {
            Serve(fd, {"HTTP/1.0 200 OK\r\nContent-Length: 1234\r\n\r\n"}, &o.request);
        });
        Finish(StartHTTPHead("127.0.0.1", server.port(), "/h"), o);
        EXPECT_EQ(o.request, "HEAD /h HTTP/1.0\r\nHost: 127.0.0.1:" + std::to_string(server.port()) + "\r\n\r\n");
    }
    EXPECT_EQ(o.state, 0);
    EXPECT_EQ(o.contentLength, 1234);

    void* answer = nullptr;
    {
        ScriptedPeer server([&](int fd) { Serve(fd, {"HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nok"}, &o.request); });
        char data[] = "abc";
        const int task = StartHTTPPost("127.0.0.1", server.port(), "/p", data, 3, &answer);
        data[0] = 'X';                 // the task sends its own copy
        Finish(task, o);
        EXPECT_EQ(o.request, "POST /p HTTP/1.0\r\nHost: 127.0.0.1:" + std::to_string(server.port()) +
                                 "\r\nContent-Length: 3\r\n\r\nabc");
    }
    EXPECT_EQ(o.state, 0);
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(std::string(static_cast<char*>(answer), 2), "ok");
    FreeHTTPBody(answer);
}

TEST_F(HTTP, PostLargerThanTheSocketTakesAtOnceArrivesWhole) {
    const size_t atOnce = nettest::BytesALoopbackConnectionTakesAtOnce();
    ASSERT_GT(atOnce, 0u);
    std::string data(atOnce + (4 << 20), '\0');
    for (size_t i = 0; i < data.size(); ++i) data[i] = char(i * 7 + i / 251);
    void* answer = nullptr;
    Outcome o;
    {
        // The server reads nothing until the socket has been filled.
        nettest::Turns turns;
        ScriptedPeer server([&](int fd) {
            turns.Wait(1);
            Serve(fd, {"HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nok"}, &o.request);
        });
        const int task = StartHTTPPost("127.0.0.1", server.port(), "/big", data.data(), int(data.size()), &answer);
        Pump(5);
        turns.Signal(1);
        Finish(task, o);
    }
    EXPECT_EQ(o.state, 0);
    const size_t head = o.request.find("\r\n\r\n") + 4;
    ASSERT_EQ(o.request.size() - head, data.size());
    EXPECT_TRUE(o.request.compare(head, data.size(), data) == 0);
    FreeHTTPBody(answer);
}

TEST_F(HTTP, LargePostIntoAResetConnectionFailsWithoutEndingTheProcess) {
    const std::string data(8 << 20, 'p');
    void* answer = nullptr;
    Outcome o;
    {
        ScriptedPeer server([](int fd) {
            nettest::RecvBytes(fd, 100);
            nettest::CloseWithReset(fd);
        });
        Finish(StartHTTPPost("127.0.0.1", server.port(), "/p", data.data(), int(data.size()), &answer), o);
    }
    EXPECT_EQ(o.state, 2);
    EXPECT_EQ(o.result, 3);
    EXPECT_EQ(answer, nullptr);
}

TEST_F(HTTP, BadRequestsAndTaskNumbersAreRefused) {
    void* body = nullptr;
    EXPECT_EQ(StartHTTPGetMem("127.0.0.1", 80, "/a\r\nX: y", &body), -1);   // no lines smuggled in
    EXPECT_EQ(StartHTTPGetMem(std::string(128, 'h').c_str(), 80, "/", &body), -1);
    EXPECT_EQ(StartHTTPGetMem("127.0.0.1", 0, "/", &body), -1);
    EXPECT_EQ(StartHTTPGetMem("127.0.0.1", 80, "/", nullptr), -1);
    EXPECT_EQ(StartHTTPPost("127.0.0.1", 80, "/", nullptr, 3, &body), -1);
    EXPECT_EQ(StartHTTPGetFile("127.0.0.1", 80, "/", nullptr), -1);
    EXPECT_EQ(DeleteHTTPTask(-1), -1);
    EXPECT_EQ(DeleteHTTPTask(HTTP_TASK_MAX), -1);
    EXPECT_EQ(DeleteHTTPTask(0), -1);
    int state = 0;
    EXPECT_EQ(GetHTTPTaskStatus(0, &state, nullptr, nullptr, nullptr), -1);
    EXPECT_NE(Log().find("HTTP の要求のパスが正しくありません"), std::string::npos) << Log();
}

TEST_F(HTTP, DeletingARunningTaskEndsItAsFinished) {
    nettest::Turns turns;
    Outcome o;
    void* body = nullptr;
    ScriptedPeer server([&](int fd) {
        nettest::RecvRequest(fd);
        turns.Wait(1);
    });
    const int task = StartHTTPGetMem("127.0.0.1", server.port(), "/", &body);
    ASSERT_NE(task, -1);
    Pump(5);
    EXPECT_EQ(GetHTTPTaskStatus(task, &o.state, &o.result, nullptr, nullptr), 0);
    EXPECT_EQ(o.state, -1);
    EXPECT_EQ(DeleteHTTPTask(task), 0);
    EXPECT_EQ(GetHTTPTaskStatus(task, &o.state, nullptr, nullptr, nullptr), -1);
    turns.Signal(1);
}
