// A private X server (Xvfb) for the tests and benchmarks that need a real
// display.
#pragma once
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

namespace zvtest {

class XServer {
public:
    // Starts Xvfb with the given screen ("WIDTHxHEIGHTxDEPTH") on a display
    // the server picks itself, so that tests running side by side never share
    // one; false when none runs. The only GL on a virtual display is Mesa's
    // software one, which the library refuses as a 3D device unless told:
    // this process and everything it starts from here on are told. The
    // server never resets: a reset, when its last client leaves, drops a
    // connection made meanwhile (the library started again right after an
    // end), which then fails to open, or dies of SIGPIPE if cut off under a
    // write.
    bool Start(const char* screen = "800x600x24") {
        setenv("ZOVAV_ALLOW_SOFTWARE_GL", "1", 1);
        failure_ = "Xvfb missing";
        if (std::system("command -v Xvfb >/dev/null 2>&1") != 0) return false;
        failure_ = "Xvfb could not be started";
        int fds[2];
        if (pipe(fds) != 0) return false;
        // Made before the fork: the child of a threaded process may only make
        // plain system calls until it runs the server.
        const std::string fd = std::to_string(fds[1]);
        pid_ = fork();
        if (pid_ == 0) {
            close(fds[0]);
            int null = open("/dev/null", O_RDWR);
            dup2(null, 1);
            dup2(null, 2);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen, "-nolisten", "tcp", "-noreset",
                   static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        if (pid_ < 0) {
            close(fds[0]);
            return false;
        }
        // The server writes its display number once it accepts clients, or
        // ends; a busy machine only makes that slower, so there is no limit.
        std::string number;
        char c = 0;
        for (ssize_t n; (n = read(fds[0], &c, 1)) != 0 && c != '\n';) {
            if (n == 1) number += c;
            else if (errno != EINTR) break;
        }
        close(fds[0]);
        if (number.empty()) {
            kill(pid_, SIGTERM);
            int status = 0;
            waitpid(pid_, &status, 0);
            pid_ = -1;
            failure_ = WIFEXITED(status) ? "Xvfb ended with status " + std::to_string(WEXITSTATUS(status))
                                         : std::string("Xvfb gave no display number");
            return false;
        }
        display_ = ":" + number;
        failure_.clear();
        return true;
    }
    void Stop() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
        pid_ = -1;
    }
    // Why the last Start failed.
    const std::string& failure() const { return failure_; }
    ~XServer() { Stop(); }
    const std::string& display() const { return display_; }

private:
    pid_t pid_ = -1;
    std::string display_, failure_;
};

}  // namespace zvtest
