#pragma once
#include <QString>

// The read-me of a copy run where it was built or unpacked lies beside the executable; an
// installed copy finds it under the prefix's share/doc/quorva, a sibling of the bin folder.
// Returns the first of the two that exists, or the one beside the executable when neither
// does, so that opening it fails the way a missing read-me always has.
// appDir is the executable's folder, ending with '/'.
QString ReadmeFilePath(const QString &appDir);
