// Feeds arbitrary bytes to the settings-file reader as the user's Quorva.reg, reads values the
// program reads, then saves. Besides crashes, leaks and hangs this catches a writer and reader
// that disagree: a file the store wrote must read back to the same values and be written again
// byte for byte.

#include "FuzzTempFolder.h"
#include "RegFileStore.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace fs = std::filesystem;

namespace {

void WriteFile(const fs::path &path, const std::string &text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::string ReadFile(const fs::path &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Reads what the program reads at start-up, joined into one text for comparison.
std::string ReadSettings(TSettingsStore &store) {
    std::string seen;
    for (const char *name :
         {"DDPrint.iFormat", "bMinToTray", "iRemThreshold", "bWipe", "iWipePeriod"}) {
        seen += std::to_string(store.ReadInteger("Preferences", name, -7)) + ';';
        seen += std::to_string(store.ReadBool("Preferences", name, true)) + ';';
    }
    for (const char *name : {"frmMain->Top", "frmMain->Width", "frmMain_wsMaximized"})
        seen += std::to_string(store.ReadInteger("MainFormView", name, 0)) + ';';
    seen += store.ReadString("Version", "Version", "9999") + ';';
    seen += std::to_string(store.SectionExists("MainFormView"));
    seen += std::to_string(store.SectionExists("ReminderFormView"));
    return seen;
}

// Opens the file, reads, marks the store changed with one fixed value and closes it, which
// writes the whole file again.
std::string ReadAndSave(const fs::path &path) {
    TRegFileStore store(path, QuorvaSettingsKey);
    std::string seen = ReadSettings(store);
    store.WriteString("Fuzz", "Probe", "x");
    store.Close();
    return seen;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const fs::path path = FuzzTempFolder() / "Ostrune" / "Quorva.reg";
    fs::create_directories(path.parent_path());
    WriteFile(path, std::string(reinterpret_cast<const char *>(data), size));

    const std::string first = ReadAndSave(path);
    const std::string written = ReadFile(path);
    if (ReadAndSave(path) != first || ReadFile(path) != written)
        std::abort();

    // Deleting and writing typed values on a store read from fuzzed text.
    TRegFileStore store(path, QuorvaSettingsKey);
    store.WriteInteger("Preferences", "iRemThreshold", -1);
    store.WriteBool("Preferences", "bWipe", false);
    store.DeleteValue("Preferences", "bMinToTray");
    store.Close();
    return 0;
}
