#pragma once
#include <QDateTime>
#include <chrono>
#include <functional>

// The one place the windows read the time from; tests replace it to cross midnight.
namespace Clock {
QDateTime Now();
void SetSource(std::function<QDateTime()> source); // an empty function restores the system clock
std::chrono::sys_days ToSysDays(const QDate& date);
QDate FromSysDays(std::chrono::sys_days day);
std::chrono::sys_days Today();
} // namespace Clock
