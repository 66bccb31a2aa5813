#pragma once
// Permission bits bind every user but the superuser. Tests of what they forbid run as root
// too: the check runs in a child process that has dropped to the user "nobody".

#ifndef _WIN32
#include <filesystem>
#include <functional>
#include <pwd.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

// Runs check with permissions that bind, in folder (handed to the unprivileged user first).
// check returns an empty text when all held, else what went wrong. Returns that text, or
// "skip: ..." when no user without root can be had here.
inline std::string RunWithoutRoot(const std::filesystem::path &folder,
                                  const std::function<std::string()> &check) {
    if (geteuid() != 0)
        return check();
    const passwd *nobody = getpwnam("nobody");
    if (!nobody)
        return "skip: running as root and there is no user nobody";
    std::error_code ec;
    for (auto it = std::filesystem::recursive_directory_iterator(folder, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
        [[maybe_unused]] const int ignored = lchown(it->path().c_str(), nobody->pw_uid, nobody->pw_gid);
    if (chown(folder.c_str(), nobody->pw_uid, nobody->pw_gid) != 0)
        return "skip: the test folder cannot be handed to the user nobody";
    int pipe_[2];
    if (pipe(pipe_) != 0)
        return "skip: no pipe";
    const pid_t child = fork();
    if (child == 0) {
        close(pipe_[0]);
        std::string result;
        if (setgid(nobody->pw_gid) != 0 || setuid(nobody->pw_uid) != 0)
            result = "skip: cannot become the user nobody";
        else if (access(folder.c_str(), W_OK) != 0)
            result = "skip: the user nobody cannot reach the test folder";
        else
            result = check();
        [[maybe_unused]] const auto written = write(pipe_[1], result.data(), result.size());
        _exit(0);
    }
    close(pipe_[1]);
    std::string result;
    char buffer[512];
    ssize_t length = 0;
    while ((length = read(pipe_[0], buffer, sizeof buffer)) > 0)
        result.append(buffer, static_cast<std::size_t>(length));
    close(pipe_[0]);
    int status = 0;
    waitpid(child, &status, 0);
    // Hand the folder back, so that it can be cleaned up.
    for (auto it = std::filesystem::recursive_directory_iterator(folder, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
        [[maybe_unused]] const int ignored = lchown(it->path().c_str(), 0, 0);
    [[maybe_unused]] const int ignored = chown(folder.c_str(), 0, 0);
    return result;
}
#endif
