#pragma once
#include <QDialog>

// The preferences dialog: shows the preference values and changes them in memory on OK.
class TfrmPref : public QDialog {
    Q_OBJECT
public:
    explicit TfrmPref(QWidget* parent = nullptr);
};

extern TfrmPref* frmPref;
