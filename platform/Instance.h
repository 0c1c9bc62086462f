// The single-instance lock and the notice a second instance sends to the first.
//
// Implements: a named mutex whose only use is "does another instance exist" (a lock file in $XDG_RUNTIME_DIR/zest,
// else in $TMPDIR (or /tmp)/zest-<uid>; spaces in the name become '_'; held with flock so the kernel drops it when
// the process ends, however it ends, and removed by its holder on close), registered message ids by name, and the
// notice itself: the first instance listens on a Unix datagram socket named after the message in the same folder
// and polls it without blocking; a second instance sends it (message id, wParam, lParam). With headless video the
// notice stays inside the process.
// Leaves out: waiting on or releasing the mutex (it is held until closed), sending to windows other than the
// first instance's.
#pragma once

#include <cstdint>
#include <string>

namespace Platform
{

constexpr uint32_t ERROR_ALREADY_EXISTS = 183;

struct InstanceMutex;
using MutexHandle = InstanceMutex*; // opaque

// Always returns a handle (null only for an empty name). GetLastError() then tells ERROR_ALREADY_EXISTS when
// another holder of the name exists (another process, or another handle in this one), else 0. When the lock file
// cannot be made at all, nobody is assumed to hold it so the program still runs.
MutexHandle CreateMutex(const void* security, bool initialOwner, const std::string& name);
// Releases the lock (if this handle got it) and frees the handle.
bool CloseHandle(MutexHandle mutex);
// The result of the calling thread's last CreateMutex.
uint32_t GetLastError();
// Where the lock file for `name` lives.
std::string InstanceLockPath(const std::string& name);
// Test hook: while set, CreateMutex reports ERROR_ALREADY_EXISTS without touching any file.
void SetOtherInstanceRunning(bool running);

// An id in 0xC000..0xFFFF, the same for the same name (ignoring ASCII case) in every process; 0 for "".
uint32_t RegisterWindowMessage(const std::string& name);

struct BroadcastMessage
{
    uint32_t message = 0;
    uintptr_t wParam = 0;
    intptr_t lParam = 0;
};

// First instance: start receiving the registered message `message`. False when the socket cannot be made.
bool ListenForBroadcast(uint32_t message);
// Stops receiving everything and removes the sockets.
void StopListening();
// Sends a registered message to the first instance. False when it is not registered or nobody listens.
bool PostBroadcastMessage(uint32_t message, uintptr_t wParam, intptr_t lParam);
// Takes one waiting notice, without blocking. Malformed datagrams are dropped.
bool PeekBroadcastMessage(BroadcastMessage& out);

} // namespace Platform
