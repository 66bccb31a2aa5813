#pragma once

// Today's date as the displays use it; recomputed by ComputeToday when the day changes.
struct TToday {
    int TodaySerial = 0; // whole days since 1899-12-30
    int TodayDay = 0;
    int TodayMonth = 0;
    int TodayYear = 0;
    int TodayWeekday = 0; // 1 = Sunday .. 7 = Saturday
    int TodayCell = 0;    // index 0 .. 41 of today in the current month's grid
};

extern TToday Today;

// Fills Today from the clock.
void ComputeToday();
