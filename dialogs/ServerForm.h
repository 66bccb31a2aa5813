#pragma once
#include <QDialog>

class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class TSyncRunner;

// Options > Calendar Server: the CalDAV calendar to synchronize with, the user name and the
// password, and whether to synchronize by itself every so many minutes. The address, the user
// name and the schedule go to quorva-cli's sync settings; the password to the desktop's secret
// store, or, where none runs, into memory for this run only.
class TfrmServer : public QDialog {
    Q_OBJECT
public:
    explicit TfrmServer(QWidget *parent = nullptr);

    // Loads the controls from the sync settings; runs at every show.
    void FormShow();
    // Checks the address, writes the settings and keeps the password; false keeps the dialog
    // open (a message said why).
    bool BOkClick();
    // Asks the server with what the controls hold and shows its answer in LTest.
    void BTestClick();

    // A password given here that no secret store could keep: the calendar uses it until it
    // closes. Empty otherwise.
    QString SessionPassword;

    QFrame *Panel1 = nullptr;
    QGroupBox *GroupBox1 = nullptr;
    QLineEdit *EUrl = nullptr;
    QLineEdit *EUser = nullptr;
    QLineEdit *EPassword = nullptr;
    QLabel *LPasswordNote = nullptr;
    QGroupBox *GroupBox2 = nullptr;
    QCheckBox *CBAutoSync = nullptr;
    QSpinBox *SEMinutes = nullptr;
    QPushButton *BTest = nullptr;
    QLabel *LTest = nullptr;
    QPushButton *BOk = nullptr;
    QPushButton *Button2 = nullptr;

protected:
    void showEvent(QShowEvent *event) override;

private:
    QLineEdit *createField(const char *labelName, const QString &caption, const char *name,
                           int top);
    TSyncRunner *tester = nullptr;
};
