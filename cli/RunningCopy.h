#pragma once
// Whether the calendar is running for this user, asked through its single-instance channel.

#include <string>

// The channel's address: on Linux the Unix socket the calendar listens on
// ($TMPDIR, or /tmp, then "quorva-executable-<uid>"), on Windows its named pipe.
std::string InstanceChannelPath();

// True when a running calendar accepts a connection on the channel. Nothing is sent: any
// message could bring the calendar's window to the front. A socket file left behind by a
// copy that died refuses the connection and so counts as no copy running.
bool CalendarIsRunning();
