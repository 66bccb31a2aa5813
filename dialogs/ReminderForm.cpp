#include "ReminderForm.h"

TfrmReminder* frmReminder = nullptr;

TfrmReminder::TfrmReminder(QWidget* parent) : QWidget(parent, Qt::Tool)
{
    setObjectName("frmReminder");
    setWindowTitle("Reminder - Quorva");
    resize(220, 136);
}

void TfrmReminder::FormShow()
{
}
