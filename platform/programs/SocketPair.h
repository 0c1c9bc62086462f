// A connected pair of local stream sockets for tests that play both ends of a connection; for test programs only.
#pragma once

#include <sys/socket.h>
#include <unistd.h>

#include <cstddef>

namespace Platform::Programs
{

class SocketPair
{
public:
    SocketPair()
    {
        if (::socketpair(AF_UNIX, SOCK_STREAM, 0, mEnds) != 0) mEnds[0] = mEnds[1] = -1;
    }
    ~SocketPair()
    {
        CloseFar();
        if (mEnds[0] >= 0) ::close(mEnds[0]);
    }
    SocketPair(const SocketPair&) = delete;
    SocketPair& operator=(const SocketPair&) = delete;

    bool Ok() const { return mEnds[0] >= 0; }
    int Near() const { return mEnds[0]; }
    // Sends bytes from the far end to the near one.
    bool SendFromFar(const void* bytes, size_t count) const
    {
        return mEnds[1] >= 0 && ::write(mEnds[1], bytes, count) == static_cast<ssize_t>(count);
    }
    void CloseFar()
    {
        if (mEnds[1] >= 0) ::close(mEnds[1]);
        mEnds[1] = -1;
    }

private:
    int mEnds[2] = {-1, -1};
};

} // namespace Platform::Programs
