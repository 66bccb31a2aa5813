#include "Clock.h"

namespace {
std::function<QDateTime()>& source()
{
    static std::function<QDateTime()> current;
    return current;
}

// Julian day number of 1970-01-01, the epoch of sys_days.
constexpr qint64 UnixEpochJulianDay = 2440588;
} // namespace

namespace Clock {

QDateTime Now()
{
    return source() ? source()() : QDateTime::currentDateTime();
}

void SetSource(std::function<QDateTime()> newSource)
{
    source() = std::move(newSource);
}

std::chrono::sys_days ToSysDays(const QDate& date)
{
    return std::chrono::sys_days(std::chrono::days(date.toJulianDay() - UnixEpochJulianDay));
}

QDate FromSysDays(std::chrono::sys_days day)
{
    return QDate::fromJulianDay(day.time_since_epoch().count() + UnixEpochJulianDay);
}

std::chrono::sys_days Today()
{
    return ToSysDays(Now().date());
}

} // namespace Clock
