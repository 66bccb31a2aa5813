#pragma once
// Whether the calendar is running for this user, asked through its single-instance channel.

#include <string>

// The channel's address: on Windows the calendar's named pipe; elsewhere the Unix socket the
// calendar listens on, by the rule of InstanceChannelAddress() (in the user's own folder), or
// empty when the user has no such folder, so no calendar can be listening.
std::string InstanceChannelPath();

// True when a calendar running as this user accepts a connection on the channel. Nothing is
// sent: any message could bring the calendar's window to the front. A socket file left behind
// by a copy that died refuses the connection and so counts as no copy running.
bool CalendarIsRunning();
