#pragma once
#include <QDialog>

class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QSlider;
class QSpinBox;

// The preferences dialog: shows the preference values and changes them in memory on OK.
// Nothing reaches the settings store here; the main window writes the values when it closes.
class TfrmPref : public QDialog {
    Q_OBJECT
public:
    explicit TfrmPref(QWidget *parent = nullptr);

    // Loads the controls from the preference values; runs at every show.
    void FormShow();
    // Stores the controls into the preference values.
    void BOkClick();

    // The enabling rules and the period label; each runs whenever its control changes.
    void CBStartUpClick();
    void CBMinToTrayClick();
    void CBReminderClick();
    void RBThisDayClick();
    void TBPeriodChange();
    void RWipeClick();
    void UWipePeriodClick();
    void AHelpExecute();

    QFrame *Panel1 = nullptr;
    QGroupBox *GroupBox1 = nullptr;
    QCheckBox *CBStartUp = nullptr;
    QCheckBox *CBStartUpMin = nullptr;
    QCheckBox *CBCloseAfterStart = nullptr;
    QGroupBox *GroupBox2 = nullptr;
    QCheckBox *CBPNMonth = nullptr;
    QCheckBox *CBMinToTray = nullptr;
    QCheckBox *CBMinOnClose = nullptr;
    QGroupBox *GroupBox3 = nullptr;
    QCheckBox *CBReminder = nullptr;
    QFrame *PReminder = nullptr;
    QRadioButton *RBThisDay = nullptr;
    QRadioButton *RBPeriod = nullptr;
    QFrame *Panel2 = nullptr;
    QSlider *TBPeriod = nullptr;
    QLabel *LPeriod = nullptr;
    QGroupBox *GroupBox4 = nullptr;
    QRadioButton *RWipe = nullptr;
    QLabel *LWipePeriod = nullptr;
    QSpinBox *UWipePeriod = nullptr;
    QLabel *LMonths = nullptr;
    QRadioButton *RNeverWipe = nullptr;
    QPushButton *BHelp = nullptr;
    QPushButton *BOk = nullptr;
    QPushButton *Button2 = nullptr;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void createStartupGroup();
    void createViewGroup();
    void createReminderGroup();
    void createWipeGroup();
    void createButtons();
    void createHelpAction();
    void setTabOrder();
    QGroupBox *createGroup(const char *name, const QString &title, const QRect &geometry);
    QCheckBox *createCheckBox(QWidget *parent, const char *name, const QString &caption,
                              const QPoint &at);
    QRadioButton *createRadioButton(QWidget *parent, const char *name, const QString &caption,
                                    const QRect &geometry);
    QFrame *createPanel(QWidget *parent, const char *name, const QRect &geometry);
    void centreOnDesktop();
};

extern TfrmPref *frmPref;
