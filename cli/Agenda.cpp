#include "Agenda.h"

#include "FileIo.h"
#include "Pool.h"

#include <charconv>
#include <optional>
#include <ostream>

using namespace std::chrono;

namespace {

constexpr int DefaultDays = 14;

struct AgendaOptions {
    std::optional<std::string> File;
    std::optional<sys_days> From;
    int Days = DefaultDays;
    bool Help = false;
};

// Parses a count of days: plain decimal digits that fit an int.
bool ParseDays(const std::string &text, int &days) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), days);
    return error == std::errc() && end == text.data() + text.size();
}

// Splits "--name=value" and "--name value"; returns the problem, or an empty text.
std::string ParseOptions(const std::vector<std::string> &args, AgendaOptions &options) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::optional<std::string> value;
        if (const auto equals = name.find('='); name.rfind("--", 0) == 0 && equals != name.npos) {
            value = name.substr(equals + 1);
            name.resize(equals);
        }
        if (name == "--help" || name == "-h") {
            options.Help = true;
            continue;
        }
        if (name.empty() || name.front() != '-')
            return "unexpected argument '" + args[i] + "'";
        if (name != "--file" && name != "--from" && name != "--days")
            return "unknown option '" + args[i] + "'";
        if (!value) {
            if (i + 1 >= args.size())
                return "option " + name + " needs a value";
            value = args[++i];
        }
        if (name == "--file") {
            options.File = *value;
        } else if (name == "--from") {
            int month = 0, day = 0, year = 0;
            if (!ParseDate(*value, month, day, year))
                return "invalid date '" + *value + "' (expected M/D/YYYY)";
            options.From = sys_days{std::chrono::year{year} / month / day};
        } else if (!ParseDays(*value, options.Days)) {
            return "invalid number of days '" + *value + "' (expected 0 or more)";
        }
    }
    return {};
}

} // namespace

std::string AgendaUsage() {
    return "Usage: quorva-cli agenda [--file PATH] [--from M/D/YYYY] [--days N]\n"
           "Prints what is planned from FROM (default today) to FROM + N days (default 14),\n"
           "one line per day with something planned: the date, a tab and the day's events.\n"
           "PATH defaults to quorva.ini beside quorva-cli. The file is only read.\n";
}

std::string AgendaLine(sys_days date, const std::string &text) {
    const year_month_day ymd{date};
    std::string line = FormatDate(static_cast<int>(static_cast<unsigned>(ymd.month())),
                                  static_cast<int>(static_cast<unsigned>(ymd.day())),
                                  static_cast<int>(ymd.year()));
    line.push_back('\t');
    // Every line break, CR LF or a lone CR or LF, becomes one blank.
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            line.push_back(' ');
        } else {
            line.push_back(text[i]);
        }
    }
    return line;
}

int RunAgenda(const std::vector<std::string> &args, sys_days today, const std::string &defaultFile,
              std::ostream &out, std::ostream &err) {
    AgendaOptions options;
    if (const std::string problem = ParseOptions(args, options); !problem.empty()) {
        err << "quorva-cli: " << problem << "\n";
        return ExitBadArgument;
    }
    if (options.Help) {
        out << AgendaUsage();
        return ExitOk;
    }
    const std::string path = options.File.value_or(defaultFile);
    std::string text;
    std::string reason;
    bool missing = false;
    if (!ReadWholeFile(path, text, reason, missing) && (options.File || !missing)) {
        err << "quorva-cli: cannot read " << path << ": " << reason << "\n";
        return ExitCannotRead;
    }
    TEvents events;
    events.LoadFromIniText(std::move(text), 0, today);
    const sys_days from = options.From.value_or(today);
    std::string output;
    for (const auto &[date, dayText] : events.BuildReminders(options.Days, from))
        output.append(AgendaLine(ToSysDays(date), dayText)).push_back('\n');
    out << output;
    return ExitOk;
}
