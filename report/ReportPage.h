#pragma once
#include "ReportObject.h"

#include <QString>
#include <deque>

class QPrinter;

// A page of named drawing objects, drawn in list order. Always landscape, margins 0, one
// column. Object addresses stay valid for the life of the page.
class TReportPage {
public:
    TReportPage();

    // Appends an object; false, and nothing added, when its name is already taken.
    bool Add(const TReportObject &object);
    TReportObject *Find(const QString &name);
    const TReportObject *Find(const QString &name) const;
    const std::deque<TReportObject> &Objects() const { return objects_; }

    int PaperCode() const { return paperCode_; }
    // False, and the paper stays, for a code the engine does not know.
    bool SetPaperCode(int code);

    // Sizes the page for its paper in landscape.
    void Prepare();
    // Sizes the page for the physical sheet of a real printer instead.
    void PrepareForPrinter(const QPrinter &printer);
    int PageWidth() const { return pageWidth_; }
    int PageHeight() const { return pageHeight_; }

private:
    std::deque<TReportObject> objects_;
    int paperCode_;
    int pageWidth_ = 0;
    int pageHeight_ = 0;
};
