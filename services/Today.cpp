#include "Today.h"

#include "Clock.h"
#include "Pool.h"

TToday Today;

void ComputeToday()
{
    const QDate date = Clock::Now().date();
    Today.TodayDay = date.day();
    Today.TodayMonth = date.month();
    Today.TodayYear = date.year();
    Today.TodaySerial = static_cast<int>(ToDateTime(Clock::ToSysDays(date)));
    Today.TodayWeekday = DayOfWeek(Today.TodayMonth, Today.TodayDay, Today.TodayYear);
    Today.TodayCell = DayOfWeek(Today.TodayMonth, 1, Today.TodayYear) + Today.TodayDay - 2;
}
