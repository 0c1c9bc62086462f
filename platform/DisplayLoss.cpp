// The end of the program when its connection to the X server breaks: our own Xlib I/O error handler.
//
// Xlib's default handler prints a line and calls exit(); the exit handlers then destroy the windows on the dead
// connection, which never returns. Ours ends the process itself: the program's handler saves what it can (files
// only), then _Exit, so nothing of the window system runs after the connection is gone.
#include <dlfcn.h>
#include <errno.h>
#include <poll.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "platform/SurfacesInternal.h"
#include "platform/Threads.h"
#include "platform/Window.h"

namespace Platform
{

namespace
{
std::atomic<void (*)(const std::string&)> gHandler{nullptr};
std::atomic<bool> gLost{false};
std::atomic<bool> gEnding{false};

std::string LostMessage()
{
    const char* name = std::getenv("DISPLAY");
    return "The connection to the display " + std::string(name && *name ? name : "(unknown)") +
           " was lost (the X server ended or cannot be reached), so the game has to close.";
}

[[noreturn]] void EndNow(bool runHandler)
{
    // One thread ends the program; any other that gets here waits for the end.
    if (gEnding.exchange(true))
        for (;;) std::this_thread::sleep_for(std::chrono::seconds(1));
    const std::string message = LostMessage();
    const std::string line = "FATAL ERROR: " + message + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
    if (runHandler)
        if (auto handler = gHandler.load()) handler(message);
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(kDisplayLostExitCode);
}

// Xlib calls this when a request or a read finds the connection broken; returning would let Xlib call exit().
int OnConnectionLost(void*)
{
    gLost = true;
    if (IsMainThread()) EndNow(true);
    // Another thread found it: the main thread ends the program at its next loop pass, with the saves it makes.
    // Should it be stuck (waiting for a lock this thread holds), the program ends from here, without them.
    for (int i = 0; i < 100; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EndNow(false);
}

using ErrorHandler = int (*)(void*, void*);
std::atomic<ErrorHandler> gPreviousErrorHandler{nullptr};
std::atomic<int (*)(void*)> gConnectionNumber{nullptr};

// Whether the server's end of the connection is gone.
bool ConnectionClosed(void* display)
{
    auto number = gConnectionNumber.load();
    return number && SocketPeerGone(number(display));
}

// Xlib calls this for an error reply to a request. A library that talks to the server on its own (the GL driver)
// reports a connection that broke under it as such an error on its next request rather than as a broken
// connection, and Xlib's default handler would then call exit() just the same: that case is a lost connection.
// Every other error goes on to the handler that was there before.
int OnRequestError(void* display, void* event)
{
    if (ConnectionClosed(display)) return OnConnectionLost(display);
    const ErrorHandler previous = gPreviousErrorHandler.load();
    return previous ? previous(display, event) : 0;
}
} // namespace

bool SocketPeerGone(int socket)
{
    // The peer's hang-up is asked of the socket itself: bytes the server sent before it ended may still wait
    // unread, so a peek that finds data proves nothing.
    pollfd watch{socket, POLLRDHUP, 0};
    if (::poll(&watch, 1, 0) < 0) return errno != EINTR;
    return (watch.revents & (POLLRDHUP | POLLHUP | POLLERR | POLLNVAL)) != 0;
}

void WatchX11Connection()
{
    // The library the video driver loaded; nothing is loaded here that is not already in the process.
    void* xlib = ::dlopen("libX11.so.6", RTLD_LAZY | RTLD_NOLOAD);
    if (!xlib) return;
    using IoHandler = int (*)(void*);
    using SetIoHandler = IoHandler (*)(IoHandler);
    using SetErrorHandler = ErrorHandler (*)(ErrorHandler);
    if (auto set = reinterpret_cast<SetIoHandler>(::dlsym(xlib, "XSetIOErrorHandler"))) set(&OnConnectionLost);
    gConnectionNumber = reinterpret_cast<int (*)(void*)>(::dlsym(xlib, "XConnectionNumber"));
    auto setError = reinterpret_cast<SetErrorHandler>(::dlsym(xlib, "XSetErrorHandler"));
    if (setError && gConnectionNumber.load())
    {
        const ErrorHandler previous = setError(&OnRequestError);
        // Set once per video start-up: never chain to ourselves.
        if (previous != &OnRequestError) gPreviousErrorHandler = previous;
    }
    ::dlclose(xlib);
}

void SetDisplayLostHandler(void (*handler)(const std::string& message))
{
    gHandler = handler;
}

void EndIfDisplayLost()
{
    if (gLost && IsMainThread()) EndNow(true);
}

} // namespace Platform
