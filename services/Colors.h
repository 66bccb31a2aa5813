#pragma once
#include <QColor>
#include <cstdint>

// The program's colours, written 0x00BBGGRR (blue in the high byte) as they are stored.
struct TColorScheme {
    std::uint32_t CellBackground = 0xFFFFFF;
    std::uint32_t DayText = 0x000000;
    std::uint32_t EmptyCell = 0xE8E8E8;
    std::uint32_t EventDayText = 0xFF0000;
    std::uint32_t Frame = 0xACA8A8;
    std::uint32_t WeekendCell = 0xE8E8E8;
    std::uint32_t TodayCell = 0xFFE0C0;
    std::uint32_t Accent = 0xAA9292;
    std::uint32_t Link = 0xFF0000;
    std::uint32_t LinkHover = 0x0099FF;
    std::uint32_t OtherMonthText = 0xA4A0A0;
};

extern const TColorScheme Colors;

QColor ToQColor(std::uint32_t bgr);
std::uint32_t FromQColor(const QColor& color);
