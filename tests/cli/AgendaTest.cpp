#include "Agenda.h"
#include "Pool.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace std::chrono;

namespace {

const sys_days Today = sys_days{2025y / March / 10}; // a Monday

struct AgendaRun {
    int exitCode;
    std::string out, err;
};

AgendaRun Agenda(const std::vector<std::string> &args, const std::string &defaultFile) {
    std::ostringstream out, err;
    const int code = RunAgenda(args, Today, defaultFile, out, err);
    return {code, out.str(), err.str()};
}

const std::string Calendar = "[Once]\r\n3/11/2025=Dentist\\nBring the card\r\n1/1/2020=Old\r\n"
                             "[Weekly]\r\n2=Gym\r\n[Yearly]\r\n3/12/=bad key never matches\r\n"
                             "3/12=Anniversary\r\n";

} // namespace

TEST(AgendaCommand, PrintsOneLinePerPlannedDayWithBreaksAsBlanks) {
    TempFolder folder;
    const std::string file = folder.File("quorva.ini");
    TempFolder::Write(file, Calendar);
    const AgendaRun run = Agenda({"--file", file, "--days", "7"}, folder.File("unused.ini"));
    EXPECT_EQ(run.exitCode, ExitOk);
    EXPECT_EQ(run.out, "3/10/2025\tGym\n3/11/2025\tDentist Bring the card\n"
                       "3/12/2025\tAnniversary\n3/17/2025\tGym\n");
    EXPECT_EQ(run.err, "");
}

TEST(AgendaCommand, KeepsOldOneTimeEventsAndChangesNothingOnDisk) {
    TempFolder folder;
    const std::string file = folder.File("quorva.ini");
    TempFolder::Write(file, Calendar);
    const AgendaRun run = Agenda({"--from=1/1/2020", "--days=0", "--file=" + file}, "");
    EXPECT_EQ(run.out, "1/1/2020\tOld\n");
    EXPECT_EQ(TempFolder::Read(file), Calendar);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()),
                            std::filesystem::directory_iterator()),
              1);
}

TEST(AgendaCommand, DefaultsToTodayAndFourteenDaysFromTheDefaultFile) {
    TempFolder folder;
    const std::string file = folder.File("quorva.ini");
    TempFolder::Write(file, "[Weekly]\r\n2=Gym\r\n");
    EXPECT_EQ(Agenda({}, file).out, "3/10/2025\tGym\n3/17/2025\tGym\n3/24/2025\tGym\n");
}

TEST(AgendaCommand, AMissingDefaultFileIsAnEmptyCalendar) {
    TempFolder folder;
    const AgendaRun run = Agenda({}, folder.File("quorva.ini"));
    EXPECT_EQ(run.exitCode, ExitOk);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "");
}

TEST(AgendaCommand, AnUnreadableExplicitFileNamesThePathAndTheReason) {
    TempFolder folder;
    const std::string missing = folder.File("absent.ini");
    const AgendaRun run = Agenda({"--file", missing}, "");
    EXPECT_EQ(run.exitCode, ExitCannotRead);
    EXPECT_EQ(run.err, "quorva-cli: cannot read " + missing + ": No such file or directory\n");
    const AgendaRun folderRun = Agenda({"--file", folder.Path().string()}, "");
    EXPECT_EQ(folderRun.exitCode, ExitCannotRead);
    EXPECT_EQ(folderRun.err.rfind("quorva-cli: cannot read " + folder.Path().string() + ": ", 0),
              0u);
}

TEST(AgendaCommand, BadArgumentsPrintOneLineAndExitWithTwo) {
    struct Row {
        const char *name;
        std::vector<std::string> args;
        const char *mentions;
    } rows[] = {
        {"invalid date", {"--from", "2/30/2025"}, "2/30/2025"},
        {"date in another form", {"--from", "2025-03-10"}, "2025-03-10"},
        {"negative days", {"--days", "-1"}, "-1"},
        {"non-numeric days", {"--days", "two"}, "two"},
        {"days beyond an int", {"--days", "99999999999"}, "99999999999"},
        {"unknown option", {"--colour"}, "--colour"},
        {"missing value", {"--days"}, "--days"},
        {"stray argument", {"tomorrow"}, "tomorrow"},
    };
    for (const Row &row : rows) {
        const AgendaRun run = Agenda(row.args, "");
        EXPECT_EQ(run.exitCode, ExitBadArgument) << row.name;
        EXPECT_NE(run.err.find(row.mentions), std::string::npos) << row.name << ": " << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << row.name;
        EXPECT_EQ(run.out, "") << row.name;
    }
}

TEST(AgendaCommand, HelpPrintsTheUsage) {
    const AgendaRun run = Agenda({"--help"}, "");
    EXPECT_EQ(run.exitCode, ExitOk);
    EXPECT_NE(run.out.find("quorva-cli agenda [--file PATH] [--from M/D/YYYY] [--days N]"),
              std::string::npos);
}

TEST(AgendaLine, TurnsEveryLineBreakIntoOneBlank) {
    EXPECT_EQ(AgendaLine(sys_days{2025y / January / 5}, "a\r\nb\nc\rd, e"), "1/5/2025\ta b c d, e");
}

// The agenda keeps only the one-time events of its days; what it prints must be what the whole
// calendar plans, at both ends of the range and for leading zeros in a key.
TEST(AgendaCommand, PlansExactlyWhatTheWholeCalendarPlansOverItsDays) {
    TempFolder folder;
    const std::string file = folder.File("quorva.ini");
    std::string content = "[Once]\r\n";
    for (int day = 1; day <= 31; ++day)
        content += "3/" + std::to_string(day) + "/2025=Once " + std::to_string(day) + "\r\n";
    content += "04/01/2025=Leading zeros\r\n4/1/2025=April first\r\n[Weekly]\r\n2=Gym\r\n"
               "[Monthly]\r\n20=Rent\r\n[NWeekdayly]\r\n0/2/3=Last Monday\r\n";
    TempFolder::Write(file, content);
    TEvents whole;
    whole.LoadFromIni(file, 0, Today);
    for (const auto &[from, count] : {std::pair{Today, 7}, std::pair{Today + days(10), 12},
                                     std::pair{Today - days(35), 0}}) {
        std::string expected;
        for (const auto &[date, text] : whole.BuildReminders(count, from))
            expected += AgendaLine(ToSysDays(date), text) + "\n";
        const year_month_day ymd{from};
        const std::string fromText = FormatDate(static_cast<int>(unsigned(ymd.month())),
                                                static_cast<int>(unsigned(ymd.day())),
                                                static_cast<int>(ymd.year()));
        const AgendaRun run =
            Agenda({"--file", file, "--from", fromText, "--days", std::to_string(count)}, "");
        EXPECT_EQ(run.out, expected) << fromText << " + " << count;
        EXPECT_NE(run.out, "") << fromText;
    }
}
