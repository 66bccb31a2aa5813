#include "CommandLine.h"

#include "FileIo.h"
#include "Pool.h"

#include <algorithm>
#include <ostream>

std::optional<std::string> TCommandLine::Option(const std::string &name) const {
    if (const auto found = Options.find(name); found != Options.end())
        return found->second;
    return std::nullopt;
}

std::string ParseCommandLine(const std::vector<std::string> &args,
                             const std::vector<std::string> &valueOptions, std::size_t maxArguments,
                             TCommandLine &commandLine) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::optional<std::string> value;
        if (const auto equals = name.find('='); name.rfind("--", 0) == 0 && equals != name.npos) {
            value = name.substr(equals + 1);
            name.resize(equals);
        }
        if (name == "--help" || name == "-h") {
            commandLine.Help = true;
            continue;
        }
        if (name.empty() || name.front() != '-') {
            if (commandLine.Arguments.size() >= maxArguments)
                return "unexpected argument '" + args[i] + "'";
            commandLine.Arguments.push_back(args[i]);
            continue;
        }
        if (std::find(valueOptions.begin(), valueOptions.end(), name) == valueOptions.end())
            return "unknown option '" + args[i] + "'";
        if (!value) {
            if (i + 1 >= args.size())
                return "option " + name + " needs a value";
            value = args[++i];
        }
        commandLine.Options[name] = *value;
    }
    return {};
}

bool ReadEventsForCommand(const std::optional<std::string> &explicitFile,
                          const std::string &defaultFile, std::chrono::sys_days today,
                          TEvents &events, std::ostream &err,
                          std::optional<std::chrono::sys_days> onlyFrom,
                          std::optional<std::chrono::sys_days> onlyTo) {
    const std::string path = explicitFile.value_or(defaultFile);
    std::string text;
    std::string reason;
    bool missing = false;
    if (!ReadWholeFile(path, text, reason, missing) && (explicitFile || !missing)) {
        err << "quorva-cli: cannot read " << path << ": " << reason << "\n";
        return false;
    }
    events.LoadFromIniText(std::move(text), 0, today, onlyFrom, onlyTo);
    return true;
}
