#ifndef _WIN32

#include "InstanceChannel.h"

#include "Constants.h"

#include <cstdlib>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// "Quorva Executable" becomes "quorva-executable-<uid>"; the uid comes from the system, not from
// $USER, which may be empty or wrong.
std::string ChannelName() {
    std::string name = Constants::InstanceName;
    for (char &c : name) {
        c = c == ' ' ? '-' : (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return name + '-' + std::to_string(::getuid());
}

// An absolute path from the environment without its trailing slashes, or empty.
std::string AbsoluteFolderFrom(const char *variable) {
    const char *value = std::getenv(variable);
    std::string folder = value ? value : "";
    if (!folder.starts_with('/')) {
        return {};
    }
    while (folder.size() > 1 && folder.back() == '/') {
        folder.pop_back();
    }
    return folder;
}

std::string Joined(const std::string &folder, const std::string &name) {
    return folder == "/" ? folder + name : folder + '/' + name;
}

std::string ChannelFolder(bool create) {
    const std::string runtime = AbsoluteFolderFrom("XDG_RUNTIME_DIR");
    if (!runtime.empty() && IsPrivateFolder(runtime)) {
        return runtime;
    }
    std::string temporary = AbsoluteFolderFrom("TMPDIR");
    if (temporary.empty()) {
        temporary = "/tmp";
    }
    const std::string folder = Joined(temporary, "quorva-" + std::to_string(::getuid()));
    if (create) {
        // mkdir neither follows a link nor replaces what is there; the check below decides.
        ::mkdir(folder.c_str(), 0700);
    }
    return IsPrivateFolder(folder) ? folder : std::string();
}

} // namespace

std::string InstanceChannelAddress(bool createFolder) {
    const std::string folder = ChannelFolder(createFolder);
    if (folder.empty()) {
        return {};
    }
    const std::string address = Joined(folder, ChannelName());
    // A path too long for a socket address can be neither listened on nor connected to.
    return address.size() < sizeof(sockaddr_un::sun_path) ? address : std::string();
}

bool IsPrivateFolder(const std::string &path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
           info.st_uid == ::getuid() && (info.st_mode & (S_IRWXG | S_IRWXO)) == 0;
}

bool PeerIsCurrentUser(int fd) {
#ifdef __linux__
    // The credentials the listening process had when it began to listen.
    ucred peer{};
    socklen_t size = sizeof peer;
    return ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && size == sizeof peer &&
           peer.uid == ::getuid();
#else
    uid_t uid = 0;
    gid_t gid = 0;
    return ::getpeereid(fd, &uid, &gid) == 0 && uid == ::getuid();
#endif
}

#endif
