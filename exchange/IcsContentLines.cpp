#include "IcsContentLines.h"

#include "IcsImport.h"
#include "Pool.h"

#include <cctype>
#include <cstddef>
#include <vector>

namespace IcsReading {

namespace {

std::string Upper(std::string text) {
    for (char &c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

std::string LineError(int line, const std::string &problem) {
    return "line " + std::to_string(line) + ": " + problem;
}

// What the content-line check remembers between lines.
struct LineCheck {
    std::vector<std::string> Open; // names of the components begun and not yet ended
    bool Started = false;
    long long Values = 0; // the lines so far, and the further items of their lists
};

// Where the value of a line starts: after the first colon outside a quoted parameter value.
// Counts the parameters (their semicolons) on the way.
std::size_t ValueStart(const std::string &line, std::size_t nameEnd, int &parameters) {
    bool quoted = false;
    parameters = 0;
    for (std::size_t i = nameEnd; i < line.size(); ++i) {
        if (line[i] == '"')
            quoted = !quoted;
        else if (!quoted && line[i] == ';')
            ++parameters;
        else if (!quoted && line[i] == ':')
            return i + 1;
    }
    return line.size();
}

// The items of a value: one, and one more for each comma that no backslash escapes.
long long ValueItems(const std::string &line, std::size_t valueStart) {
    long long items = 1;
    for (std::size_t i = valueStart; i < line.size(); ++i)
        if (line[i] == ',' && (i == valueStart || line[i - 1] != '\\'))
            ++items;
    return items;
}

// Checks one unfolded content line: NAME[;PARAMS]:VALUE, BEGIN and END properly nested, and
// within the limits on parameters, values and nesting that keep the parser's work bounded.
void CheckContentLine(const std::string &line, int number, LineCheck &check) {
    std::size_t nameEnd = 0;
    while (nameEnd < line.size() &&
           (std::isalnum(static_cast<unsigned char>(line[nameEnd])) || line[nameEnd] == '-'))
        ++nameEnd;
    const std::string shown = "\"" + line.substr(0, 40) + (line.size() > 40 ? "...\"" : "\"");
    if (nameEnd == 0 || nameEnd == line.size() || (line[nameEnd] != ':' && line[nameEnd] != ';') ||
        line.find(':') == std::string::npos)
        throw QuorvaError(LineError(number, shown + " is not an iCalendar line"));
    int parameters = 0;
    const std::size_t valueStart = ValueStart(line, nameEnd, parameters);
    if (parameters > IcsMaxParameters)
        throw QuorvaError(
            LineError(number, "more than " + std::to_string(IcsMaxParameters) + " parameters"));
    check.Values += ValueItems(line, valueStart);
    if (check.Values > IcsMaxValues)
        throw QuorvaError(LineError(number, "the file holds more than " +
                                                std::to_string(IcsMaxValues) + " values"));
    const std::string name = Upper(line.substr(0, nameEnd));
    const bool nests = name == "BEGIN" || name == "END";
    const std::string value = nests ? Upper(line.substr(line.find(':') + 1)) : std::string();
    if (check.Open.empty() && (name != "BEGIN" || value != "VCALENDAR"))
        throw QuorvaError(LineError(number, check.Started ? shown + " follows END:VCALENDAR"
                                                          : "the file does not start with "
                                                            "BEGIN:VCALENDAR"));
    check.Started = true;
    if (name == "BEGIN") {
        if (check.Open.size() >= IcsMaxNesting)
            throw QuorvaError(LineError(number, "components nested deeper than " +
                                                    std::to_string(IcsMaxNesting) + " levels"));
        check.Open.push_back(value);
    } else if (name == "END") {
        if (check.Open.back() != value)
            throw QuorvaError(LineError(number, "END:" + value + " where END:" + check.Open.back() +
                                                    " was expected"));
        check.Open.pop_back();
    }
}

} // namespace

void CheckContentLines(const std::string &text) {
    if (text.size() > IcsMaxFileBytes)
        throw QuorvaError(IcsFileTooLarge());
    const std::string tooLong =
        "more than " + std::to_string(IcsMaxLineLength) + " characters in one line";
    LineCheck check;
    std::string logical;
    int logicalStart = 0;
    int number = 0;
    std::size_t at = text.rfind("\xEF\xBB\xBF", 0) == 0 ? 3 : 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        if (end == std::string::npos)
            end = text.size();
        const std::size_t lineAt = at;
        std::size_t length = end - at;
        if (length > 0 && text[lineAt + length - 1] == '\r')
            --length;
        at = end + 1;
        ++number;
        if (length > 0 && (text[lineAt] == ' ' || text[lineAt] == '\t') && !logical.empty()) {
            if (logical.size() + length - 1 > IcsMaxLineLength)
                throw QuorvaError(LineError(logicalStart, tooLong));
            logical.append(text, lineAt + 1, length - 1);
            continue;
        }
        if (!logical.empty())
            CheckContentLine(logical, logicalStart, check);
        if (length > IcsMaxLineLength)
            throw QuorvaError(LineError(number, tooLong));
        logical.assign(text, lineAt, length);
        logicalStart = number;
    }
    if (!logical.empty())
        CheckContentLine(logical, logicalStart, check);
    if (!check.Started)
        throw QuorvaError("the file holds no iCalendar data");
    if (!check.Open.empty())
        throw QuorvaError(LineError(number, "the file ends before END:" + check.Open.back()));
}

} // namespace IcsReading
