#pragma once
#include "ReportPage.h"

#include <QDialog>
#include <array>

class QAction;
class QComboBox;
class QToolBar;
class QToolButton;
class TReportPreview;

// The print preview: the month page for the chosen paper, zoomed, and printed from here.
// Created once; each opening composes the page afresh for the month the main window shows.
class TfrmPrint : public QDialog {
    Q_OBJECT
public:
    explicit TfrmPrint(QWidget *parent = nullptr);

    // The main window's Print action: composes the page from the month view's cells,
    // displays it and shows this window modally; returns when it is closed.
    void OpenForMonthView(QWidget *monthView);
    // Everything OpenForMonthView does before the window is shown.
    void PrepareForMonthView(QWidget *monthView);

    void ComposeMonthPage();
    // 1 = Zoom In, 2 = Zoom Out.
    void StepZoom(int direction);

    static constexpr std::array<int, 8> ZoomPresets{500, 200, 150, 100, 75, 50, 25, 10};

    const TReportPage &Page() const { return page_; }

protected:
    void showEvent(QShowEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void FormShow();
    // sender: the zoom list when the user picked an item; nullptr when a zoom step calls.
    void CBZoomChange(QObject *sender);
    void CBFormatChange();
    bool CBZoomKeyPress(QKeyEvent *event);
    void APrintExecute();
    void AZoomInExecute();
    void AZoomOutExecute();
    void AHelpExecute();
    void ACloseExecute();

    void createActions();
    void createToolBar();
    QToolButton *addActionButton(QAction *action, const QString &caption, int width);
    void prepareAndDisplay();
    void updateZoomButtons();
    QString documentName() const;

    TReportPage page_;
    QWidget *monthView_ = nullptr;
    int lastZoomStep_ = 0;
    int indexBeforeStep_ = -1;

    QAction *APrint = nullptr;
    QAction *AZoomIn = nullptr;
    QAction *AZoomOut = nullptr;
    QAction *AHelp = nullptr;
    QAction *AClose = nullptr;
    QToolBar *ToolBar1 = nullptr;
    QComboBox *CBZoom = nullptr;
    QComboBox *CBFormat = nullptr;
    TReportPreview *frPreview = nullptr;
};

extern TfrmPrint *frmPrint;
