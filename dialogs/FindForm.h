#pragma once
#include <QDialog>

// The find dialog: searches the texts of the thirteen cached months.
class TfrmFind : public QDialog {
    Q_OBJECT
public:
    explicit TfrmFind(QWidget* parent = nullptr);
};

extern TfrmFind* frmFind;
