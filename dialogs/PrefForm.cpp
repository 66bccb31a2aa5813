#include "PrefForm.h"

TfrmPref* frmPref = nullptr;

TfrmPref::TfrmPref(QWidget* parent) : QDialog(parent)
{
    setObjectName("frmPref");
    setWindowTitle("Preferences - Quorva");
}
