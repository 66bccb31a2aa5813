#pragma once
// Where the single-instance channel lives outside Windows: one rule for the calendar, which
// listens there, and for quorva-cli, which asks there whether the calendar is running. The
// channel must be out of other users' reach: one who could listen on it would stop the user's
// calendar from starting and learn when it starts; one who could leave a file there would let
// two copies run at once. (On Windows the channel is a named pipe, which is per session.)

#ifndef _WIN32

#include <string>

// The Unix socket "quorva-executable-<uid>" in a folder that only the user can enter, or empty
// when there is none; the calendar then runs without the channel and hands over to nobody.
//
// The folder is $XDG_RUNTIME_DIR when that is an absolute path and a private folder (below).
// Otherwise it is "quorva-<uid>" in $TMPDIR, or in /tmp when $TMPDIR is unset, empty or not an
// absolute path; with `createFolder` it is made with mode 0700 when missing. Whatever already
// holds that name is used only when it is a private folder: a file, a link or another user's
// folder is left alone and never followed.
std::string InstanceChannelAddress(bool createFolder);

// A private folder is a folder itself, not a link to one, owned by the current user, and gives
// its group and others no access at all.
bool IsPrivateFolder(const std::string &path);

// Whether the process listening at the other end of the connected Unix socket `fd` runs as the
// current user.
bool PeerIsCurrentUser(int fd);

#endif
