#include "RunningCopy.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#endif

namespace {

constexpr const char *ChannelName = "quorva-executable-";

} // namespace

#ifdef _WIN32

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
    // The same folder the calendar's toolkit takes: $TMPDIR without trailing slashes, or /tmp.
    const char *tmp = std::getenv("TMPDIR");
    std::string folder = tmp ? tmp : "";
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    if (folder.empty())
        folder = "/tmp";
    return folder + "/" + ChannelName + std::to_string(getuid());
}

bool CalendarIsRunning() {
    const std::string path = InstanceChannelPath();
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    // A path too long for a socket address cannot have been listened on either.
    if (path.size() >= sizeof(address.sun_path))
        return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    // A full queue of pending connections still means a copy is listening.
    const bool accepted =
        connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof(address)) == 0 ||
        errno == EAGAIN;
    close(fd);
    return accepted;
}

#endif
