#include "FindForm.h"

TfrmFind* frmFind = nullptr;

TfrmFind::TfrmFind(QWidget* parent) : QDialog(parent)
{
    setObjectName("frmFind");
    setWindowTitle("Find - Quorva");
}
