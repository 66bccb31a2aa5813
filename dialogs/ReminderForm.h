#pragma once
#include <QWidget>

// The reminder window: what is planned today and in the look-ahead, as links to the dates.
// A tool window without owner, so it can show while the main window is in the notification area.
class TfrmReminder : public QWidget {
    Q_OBJECT
public:
    explicit TfrmReminder(QWidget* parent = nullptr);

    // Rebuilds the contents from a fresh look-ahead; runs at every show, and the main window
    // calls it directly to refresh the window in place.
    void FormShow();
};

extern TfrmReminder* frmReminder;
