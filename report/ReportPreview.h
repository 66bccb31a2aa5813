#pragma once
#include <QAbstractScrollArea>

class TReportPage;

// Shows a prepared page on a grey desk at a zoom in percent (100 = the sheet's real size)
// or fitted to the view. The zoom is always available in percent, whatever set it.
class TReportPreview : public QAbstractScrollArea {
    Q_OBJECT
public:
    enum class TZoomMode { Percent, PageWidth, WholePage };

    explicit TReportPreview(QWidget *parent = nullptr);

    // Displays the page (not owned; it must outlive the display) and fits it whole.
    void ShowPage(const TReportPage *page);
    const TReportPage *Page() const { return page_; }

    void SetZoom(double percent);
    void FitPageWidth();
    void FitWholePage();
    double Zoom() const;
    TZoomMode Mode() const { return mode_; }

    // One notch of a wheel (angle delta 120) scrolls three small steps.
    void ScrollByWheel(int angleDelta);
    static constexpr int WheelStepsPerNotch = 3;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

private:
    double pixelsPerUnitAt(double percent) const;
    double fittingZoom(TZoomMode mode) const;
    QSize pageSizeInPixels() const;
    void relayout();

    const TReportPage *page_ = nullptr;
    TZoomMode mode_ = TZoomMode::WholePage;
    double percent_ = 100;
};
