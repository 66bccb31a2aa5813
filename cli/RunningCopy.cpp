#include "RunningCopy.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#else
#include "InstanceChannel.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#endif

#ifdef _WIN32

namespace {

constexpr const char *ChannelName = "quorva-executable-";

} // namespace

std::string InstanceChannelPath() {
    const char *user = std::getenv("USERNAME");
    return std::string("\\\\.\\pipe\\") + ChannelName + (user ? user : "");
}

bool CalendarIsRunning() {
    const std::string pipe = InstanceChannelPath();
    if (WaitNamedPipeA(pipe.c_str(), 1))
        return true;
    // A pipe whose every instance is busy still belongs to a running copy.
    return GetLastError() == ERROR_SEM_TIMEOUT;
}

#else

std::string InstanceChannelPath() {
    // Only looks: the calendar makes the folder when it starts.
    return InstanceChannelAddress(false);
}

bool CalendarIsRunning() {
    const std::string path = InstanceChannelPath();
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof(address.sun_path))
        return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    // A full queue of pending connections still means a copy is listening, and in the user's
    // own folder it can only be the user's.
    const bool accepted =
        connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof(address)) == 0
            ? PeerIsCurrentUser(fd)
            : errno == EAGAIN;
    close(fd);
    return accepted;
}

#endif
