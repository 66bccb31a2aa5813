#pragma once
#include "ReportPage.h"

// The built-in month page: a Letter sheet in landscape with a title, seven weekday
// headings, 42 day cells and a footer, as named objects in drawing order. Only
// placeholders and a default geometry; the composer fills in the month and the paper.
TReportPage LoadMonthTemplate();
