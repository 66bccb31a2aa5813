#pragma once
// Event texts between the store's bytes and what the windows show.
//
// The store keeps the bytes of the events file as they are. Texts written by this program
// are UTF-8; older files were written in a Windows code page. Valid UTF-8 is read as UTF-8,
// any other byte as Windows-1252, so that every text is shown, searched and printed
// readably; its bytes stay untouched until the user edits it, and an edited text is UTF-8.
#include <QString>
#include <string>

// The text as the windows show it: line breaks as they are stored (CR LF).
QString EventTextFromBytes(const std::string& bytes);
// The same with each CR LF as one "\n", as labels and memos want it.
QString EventTextForDisplay(const std::string& bytes);
// What a memo holds, as the store keeps it: UTF-8, lines separated by CR LF.
std::string EventTextToBytes(const QString& text);
