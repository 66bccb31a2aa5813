#include "ReportPage.h"

#include "ReportPaper.h"

#include <QPrinter>
#include <algorithm>

namespace {
constexpr int LetterPaperCode = 1;
}

TReportPage::TReportPage() : paperCode_(LetterPaperCode) {
    Prepare();
}

bool TReportPage::Add(const TReportObject &object) {
    if (Find(object.Name))
        return false;
    objects_.push_back(object);
    return true;
}

TReportObject *TReportPage::Find(const QString &name) {
    const auto it = std::find_if(objects_.begin(), objects_.end(),
                                 [&name](const TReportObject &o) { return o.Name == name; });
    return it == objects_.end() ? nullptr : &*it;
}

const TReportObject *TReportPage::Find(const QString &name) const {
    return const_cast<TReportPage *>(this)->Find(name);
}

bool TReportPage::SetPaperCode(int code) {
    if (!FindReportPaper(code))
        return false;
    paperCode_ = code;
    return true;
}

void TReportPage::Prepare() {
    const QSize size = LandscapeSizeInUnits(*FindReportPaper(paperCode_));
    pageWidth_ = size.width();
    pageHeight_ = size.height();
}

void TReportPage::PrepareForPrinter(const QPrinter &printer) {
    const QRectF sheet = printer.paperRect(QPrinter::DevicePixel);
    const double resolution = printer.resolution();
    if (sheet.isEmpty() || resolution <= 0) {
        Prepare();
        return;
    }
    // The printer reports its sheet as it feeds it; the page is landscape whatever it says.
    const int a = PixelsToUnits(sheet.width(), resolution);
    const int b = PixelsToUnits(sheet.height(), resolution);
    pageWidth_ = std::max(a, b);
    pageHeight_ = std::min(a, b);
}
