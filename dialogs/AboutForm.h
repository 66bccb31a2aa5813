#pragma once
#include <QDialog>

// The about box: name, version and the web page.
class TfrmAbout : public QDialog {
    Q_OBJECT
public:
    explicit TfrmAbout(QWidget* parent = nullptr);
};

extern TfrmAbout* frmAbout;
