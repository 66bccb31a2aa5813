#pragma once
// Calendar-server passwords in the desktop's secret store (the Secret Service: GNOME Keyring,
// KWallet and others), found by the calendar's address and the user name. Nothing is ever
// written to a file of ours.

#include <optional>
#include <string>

// The password kept for url and user; none when the store holds none, or when no secret store
// runs (why then says so).
std::optional<std::string> LookUpPassword(const std::string &url, const std::string &user,
                                          std::string &why);

// Keeps password for url and user, replacing an earlier one. False with why when no secret
// store runs or it refused.
bool KeepPassword(const std::string &url, const std::string &user, const std::string &password,
                  std::string &why);

// Forgets the password kept for url and user; true when none is kept any more.
bool ForgetPassword(const std::string &url, const std::string &user, std::string &why);
