#pragma once
// Libraries that quorva-cli loads when first needed (libcurl, libsecret) rather than links:
// linked, they and what they bring would cost every start of every command.

#include <dlfcn.h>

// Points pointer at the library's function name; false when the library has none.
template <typename Function> bool FindSymbol(void *library, Function &pointer, const char *name) {
    pointer = reinterpret_cast<Function>(dlsym(library, name));
    return pointer != nullptr;
}
