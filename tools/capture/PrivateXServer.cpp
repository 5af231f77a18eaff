#include "tools/capture/PrivateXServer.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/random.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include "tools/capture/CaptureDevice.h"

namespace veko {

namespace {

typedef std::chrono::steady_clock Clock;

// How long the server may take to come up on a busy machine, and to go.
const std::chrono::seconds kStartTime(20);
const std::chrono::seconds kEndTime(3);

void putLength(std::string& out, size_t length)
{
    out += static_cast<char>((length >> 8) & 0xff);
    out += static_cast<char>(length & 0xff);
}

// One entry of an X authority file as libXau reads it: family, address, display number,
// the scheme's name and its data, each with its length before it (16 bits, high byte
// first). The wild family with no address and no number fits any display of any host:
// the server picks its number only when it starts.
std::string authorityEntry(const std::string& cookie)
{
    const std::string scheme = "MIT-MAGIC-COOKIE-1";
    std::string entry;
    putLength(entry, 0xffff);   // FamilyWild
    putLength(entry, 0);
    putLength(entry, 0);
    putLength(entry, scheme.size());
    entry += scheme;
    putLength(entry, cookie.size());
    entry += cookie;
    return entry;
}

bool writeAll(int fd, const std::string& bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// An in-memory file holding a fresh random cookie, or -1.
int makeAuthority(std::string& error)
{
    char cookie[16];
    if (getrandom(cookie, sizeof cookie, 0) != static_cast<ssize_t>(sizeof cookie)) {
        error = std::string("cannot make a cookie for the virtual X server: ") + std::strerror(errno);
        return -1;
    }
    const int fd = memfd_create("kavri-capture-xauth", MFD_CLOEXEC);
    if (fd < 0 || !writeAll(fd, authorityEntry(std::string(cookie, sizeof cookie)))) {
        error = std::string("cannot make the virtual X server's authority file: ") + std::strerror(errno);
        if (fd >= 0)
            close(fd);
        return -1;
    }
    return fd;
}

std::string procFd(int fd)
{
    return "/proc/self/fd/" + std::to_string(fd);
}

// The last line the server printed, from the start of its in-memory log.
std::string lastLine(int log)
{
    std::string text;
    char buffer[4096];
    ssize_t n;
    lseek(log, 0, SEEK_SET);
    while ((n = ::read(log, buffer, sizeof buffer)) > 0)
        text.append(buffer, static_cast<size_t>(n));
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    const size_t at = text.find_last_of('\n');
    return at == std::string::npos ? text : text.substr(at + 1);
}

// Xvfb in a process group of its own, told to go when we go, with our handlers and mask
// undone, its output into log, and only the ready pipe and the authority file kept open.
pid_t startServer(std::vector<std::string> args, int ready, int authority, int log)
{
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(&arg[0]);
    argv.push_back(nullptr);
    const pid_t parent = getpid();
    const pid_t child = fork();
    if (child != 0) {
        if (child > 0)
            setpgid(child, child);
        return child;
    }
    setpgid(0, 0);
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() != parent)
        _exit(127);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    for (const int signal : { SIGPIPE, SIGINT, SIGTERM, SIGHUP, SIGXFSZ })
        std::signal(signal, SIG_DFL);
    const int nothing = open("/dev/null", O_RDONLY);
    if (nothing >= 0)
        dup2(nothing, STDIN_FILENO);
    dup2(log, STDOUT_FILENO);
    dup2(log, STDERR_FILENO);
    fcntl(ready, F_SETFD, 0);
    fcntl(authority, F_SETFD, 0);
    execvp(argv[0], argv.data());
    _exit(127);
}

// The display number the server writes once it takes connections, or -1 when it ended or
// did not come up in time.
int waitForNumber(int ready)
{
    const Clock::time_point end = Clock::now() + kStartTime;
    std::string text;
    while (Clock::now() < end) {
        pollfd wait = { ready, POLLIN, 0 };
        const int left = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count());
        const int polled = poll(&wait, 1, left > 0 ? left : 0);
        if (polled < 0 && errno == EINTR)
            continue;
        if (polled <= 0)
            break;
        char c;
        const ssize_t n = ::read(ready, &c, 1);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        if (c == '\n')
            return text.empty() || text.size() > 9 ? -1 : std::atoi(text.c_str());
        if (c < '0' || c > '9')
            break;
        text += c;
    }
    return -1;
}

// Asks the server to go (it then removes its socket), and ends it if it does not (with
// whatever it started, such as the keymap compiler).
// Gives how it ended.
int endServer(pid_t pid)
{
    kill(pid, SIGTERM);
    const Clock::time_point end = Clock::now() + kEndTime;
    int status = 0;
    pid_t done = 0;
    while ((done = waitpid(pid, &status, WNOHANG)) == 0 && Clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    if (done == 0) {
        kill(-pid, SIGKILL);
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }
    return status;
}

} // namespace

PrivateXServer* PrivateXServer::start(std::string& error)
{
    const int authority = makeAuthority(error);
    if (authority < 0)
        return nullptr;
    int ready[2];
    const int log = memfd_create("kavri-capture-xvfb", MFD_CLOEXEC);
    if (log < 0 || pipe2(ready, O_CLOEXEC) != 0) {
        error = std::string("cannot start a virtual X server: ") + std::strerror(errno);
        if (log >= 0)
            close(log);
        close(authority);
        return nullptr;
    }
    // One screen just large enough for the window, at the depth X servers have by default.
    const std::string screen =
        std::to_string(CaptureDevice::kWidth) + "x" + std::to_string(CaptureDevice::kHeight) + "x24";
    const pid_t pid = startServer({ "Xvfb", "-displayfd", std::to_string(ready[1]), "-auth", procFd(authority),
                                    "-nolisten", "tcp", "-noreset", "-screen", "0", screen },
                                  ready[1], authority, log);
    close(ready[1]);
    const int number = pid > 0 ? waitForNumber(ready[0]) : -1;
    close(ready[0]);
    if (number < 0) {
        const int forkError = errno;
        const int status = pid > 0 ? endServer(pid) : 0;
        const std::string said = lastLine(log);
        const std::string what = "there is no X display, and the virtual X server Xvfb did not start";
        if (pid < 0)
            error = what + ": " + std::strerror(forkError);
        else if (said.empty() && WIFEXITED(status) && WEXITSTATUS(status) == 127)
            error = what + " (is the xvfb package installed?)";
        else
            error = what + (said.empty() ? std::string() : ": " + said);
        close(log);
        close(authority);
        return nullptr;
    }
    close(log);
    return new PrivateXServer(pid, authority, ":" + std::to_string(number));
}

PrivateXServer::PrivateXServer(pid_t pid, int authority, const std::string& display)
    : mPid(pid), mAuthority(authority), mDisplay(display), mHadAuthority(false)
{
    if (const char* old = std::getenv("XAUTHORITY")) {
        mHadAuthority = true;
        mOldAuthority = old;
    }
    setenv("DISPLAY", mDisplay.c_str(), 1);
    setenv("XAUTHORITY", procFd(mAuthority).c_str(), 1);
}

PrivateXServer::~PrivateXServer()
{
    endServer(mPid);
    close(mAuthority);
    unsetenv("DISPLAY");
    if (mHadAuthority)
        setenv("XAUTHORITY", mOldAuthority.c_str(), 1);
    else
        unsetenv("XAUTHORITY");
}

} // namespace veko
