#include "Agenda.h"

#include "CommandLine.h"
#include "Pool.h"

#include <charconv>
#include <optional>
#include <ostream>

using namespace std::chrono;

namespace {

constexpr int DefaultDays = 14;

// Parses a count of days: plain decimal digits that fit an int.
bool ParseDays(const std::string &text, int &days) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), days);
    return error == std::errc() && end == text.data() + text.size();
}

// Reads --from and --days; returns the problem, or an empty text.
std::string ReadRange(const TCommandLine &commandLine, std::optional<sys_days> &from, int &days) {
    if (const auto value = commandLine.Option("--from")) {
        int month = 0, day = 0, year = 0;
        if (!ParseDate(*value, month, day, year))
            return "invalid date '" + *value + "' (expected M/D/YYYY)";
        from = sys_days{std::chrono::year{year} / month / day};
    }
    if (const auto value = commandLine.Option("--days"); value && !ParseDays(*value, days))
        return "invalid number of days '" + *value + "' (expected 0 or more)";
    return {};
}

} // namespace

std::string AgendaUsage() {
    return "Usage: quorva-cli agenda [--file PATH] [--from M/D/YYYY] [--days N]\n"
           "Prints what is planned from FROM (default today) to FROM + N days (default 14),\n"
           "one line per day with something planned: the date, a tab and the day's events.\n"
           "PATH defaults to the calendar's own events file. The file is only read.\n";
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
    TCommandLine commandLine;
    std::optional<sys_days> from;
    int days = DefaultDays;
    std::string problem = ParseCommandLine(args, {"--file", "--from", "--days"}, 0, commandLine);
    if (problem.empty())
        problem = ReadRange(commandLine, from, days);
    if (!problem.empty()) {
        err << "quorva-cli: " << problem << "\n";
        return ExitBadArgument;
    }
    if (commandLine.Help) {
        out << AgendaUsage();
        return ExitOk;
    }
    // Only the one-time events of the days asked for are kept: a large calendar costs its
    // reading, not a store of every date it holds.
    const sys_days first = from.value_or(today);
    TEvents events;
    if (!ReadEventsForCommand(commandLine.Option("--file"), defaultFile, today, events, err, first,
                              first + std::chrono::days(std::max(days, 0))))
        return ExitCannotRead;
    std::string output;
    for (const auto &[date, dayText] : events.BuildReminders(days, first))
        output.append(AgendaLine(ToSysDays(date), dayText)).push_back('\n');
    out << output;
    return ExitOk;
}
