#pragma once
// The first pass of an import: the file's raw content lines, checked before libical parses any
// of them.

#include <string>

namespace IcsReading {

// Walks the physical lines, joining folded ones, so that a damaged, foreign or oversized file
// is named by its first bad line before the parser sees any of it. Throws QuorvaError naming
// the line or the limit.
void CheckContentLines(const std::string &text);

} // namespace IcsReading
