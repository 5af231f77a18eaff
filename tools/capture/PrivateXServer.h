#ifndef VEKO_PRIVATE_X_SERVER_H
#define VEKO_PRIVATE_X_SERVER_H

#include <sys/types.h>

#include <string>

namespace veko {

// A virtual X server (Xvfb) of the capture's own, for OpenGL on a machine without an X
// display. Mesa's software OpenGL draws into its windows exactly as on any other X server
// of the machine, so the capture gives the show's own picture there, byte for byte.
//
// The server is the capture's alone: it picks a free display number itself (-displayfd),
// takes no TCP connections, and lets in only clients that hold a random cookie. The cookie
// lives in an in-memory file that both processes reach by descriptor, so nothing of it is
// ever written to disk. The server runs in a process group of its own (Ctrl+C on the
// terminal reaches only the capture, which still needs the server while it finishes) and
// gets SIGTERM when the capture dies, however it dies: it never outlives the capture.
class PrivateXServer {
public:
    // Starts the server and points this process's DISPLAY and XAUTHORITY at it. Null, with
    // one line in error, when it cannot be started.
    static PrivateXServer* start(std::string& error);
    // Ends the server; every connection to it must be closed by then. DISPLAY and
    // XAUTHORITY are as they were before.
    ~PrivateXServer();
    PrivateXServer(const PrivateXServer&) = delete;
    PrivateXServer& operator=(const PrivateXServer&) = delete;

    // ":N"
    const std::string& display() const { return mDisplay; }

private:
    PrivateXServer(pid_t pid, int authority, const std::string& display);

    pid_t mPid;
    int mAuthority;   // the in-memory authority file
    std::string mDisplay;
    bool mHadAuthority;
    std::string mOldAuthority;
};

} // namespace veko

#endif
