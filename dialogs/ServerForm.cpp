#include "ServerForm.h"

#include "Fonts.h"
#include "SyncRunner.h"

#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QShowEvent>
#include <QSpinBox>

namespace {

constexpr char Caption[] = "Calendar Server - Quorva";

bool IsWebAddress(const QString &url) {
    return url.startsWith("http://", Qt::CaseInsensitive) ||
           url.startsWith("https://", Qt::CaseInsensitive);
}

} // namespace

TfrmServer::TfrmServer(QWidget *parent) : QDialog(parent) {
    setObjectName("frmServer");
    setWindowTitle(Caption);
    setFont(UiFont("Tahoma", 11));
    setFixedSize(420, 270);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    Panel1 = new QFrame(this);
    Panel1->setObjectName("Panel1");
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel1->setGeometry(0, 0, 420, 232);

    GroupBox1 = new QGroupBox(" Calendar server ", Panel1);
    GroupBox1->setObjectName("GroupBox1");
    GroupBox1->setGeometry(8, 8, 404, 124);
    EUrl = createField("LUrl", "&Address (URL):", "EUrl", 20);
    EUrl->setPlaceholderText("https://example.com/dav/calendars/me/home/");
    EUser = createField("LUser", "&User name:", "EUser", 48);
    EPassword = createField("LPassword", "&Password:", "EPassword", 76);
    EPassword->setEchoMode(QLineEdit::Password);
    LPasswordNote = new QLabel(GroupBox1);
    LPasswordNote->setObjectName("LPasswordNote");
    LPasswordNote->setGeometry(124, 100, 272, 17);
    LPasswordNote->setFont(UiFont("Tahoma", 10));

    GroupBox2 = new QGroupBox(" Synchronize ", Panel1);
    GroupBox2->setObjectName("GroupBox2");
    GroupBox2->setGeometry(8, 138, 404, 48);
    CBAutoSync = new QCheckBox("Synchronize &every", GroupBox2);
    CBAutoSync->setObjectName("CBAutoSync");
    CBAutoSync->setGeometry(12, 20, 134, 17);
    SEMinutes = new QSpinBox(GroupBox2);
    SEMinutes->setObjectName("SEMinutes");
    SEMinutes->setGeometry(148, 18, 60, 21);
    SEMinutes->setRange(TSyncConfig::MinMinutes, TSyncConfig::MaxMinutes);
    auto *minutes = new QLabel("minutes", GroupBox2);
    minutes->setObjectName("LMinutes");
    minutes->setGeometry(214, 20, 60, 17);
    connect(CBAutoSync, &QCheckBox::toggled, SEMinutes, &QWidget::setEnabled);

    BTest = new QPushButton("&Test", Panel1);
    BTest->setObjectName("BTest");
    BTest->setGeometry(8, 196, 75, 25);
    connect(BTest, &QPushButton::clicked, this, &TfrmServer::BTestClick);
    LTest = new QLabel(Panel1);
    LTest->setObjectName("LTest");
    LTest->setGeometry(90, 192, 322, 34);
    LTest->setWordWrap(true);
    LTest->setTextInteractionFlags(Qt::TextSelectableByMouse);

    BOk = new QPushButton("OK", this);
    BOk->setObjectName("BOk");
    BOk->setGeometry(252, 239, 75, 25);
    BOk->setDefault(true);
    connect(BOk, &QPushButton::clicked, this, [this] {
        if (BOkClick())
            accept();
    });
    Button2 = new QPushButton("Cancel", this);
    Button2->setObjectName("Button2");
    Button2->setGeometry(337, 239, 75, 25);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);

    setTabOrder(EUrl, EUser);
    setTabOrder(EUser, EPassword);
    setTabOrder(EPassword, CBAutoSync);
    setTabOrder(CBAutoSync, SEMinutes);
    setTabOrder(SEMinutes, BTest);
    setTabOrder(BTest, BOk);
    setTabOrder(BOk, Button2);

    tester = new TSyncRunner(this);
    connect(tester, &TSyncRunner::Finished, this, [this](bool, const QString &line) {
        LTest->setText(line);
        BTest->setEnabled(true);
    });
}

QLineEdit *TfrmServer::createField(const char *labelName, const QString &caption, const char *name,
                                   int top) {
    auto *label = new QLabel(caption, GroupBox1);
    label->setObjectName(labelName);
    label->setGeometry(12, top + 2, 110, 17);
    auto *field = new QLineEdit(GroupBox1);
    field->setObjectName(name);
    field->setGeometry(124, top, 268, 21);
    label->setBuddy(field);
    return field;
}

void TfrmServer::showEvent(QShowEvent *event) {
    if (!event->spontaneous())
        FormShow();
    QDialog::showEvent(event);
}

void TfrmServer::FormShow() {
    const TSyncConfig config = TSyncConfig::Read();
    EUrl->setText(config.Url);
    EUser->setText(config.User);
    EPassword->clear();
    EPassword->setPlaceholderText(config.Url.isEmpty() ? QString() : "(unchanged when left empty)");
    LPasswordNote->setText("Kept in the desktop's secret store, never in a file.");
    CBAutoSync->setChecked(config.Auto);
    SEMinutes->setValue(config.Minutes);
    SEMinutes->setEnabled(config.Auto);
    LTest->clear();
    BTest->setEnabled(true);
    EUrl->setFocus();
}

void TfrmServer::BTestClick() {
    const QString url = EUrl->text().trimmed();
    if (!IsWebAddress(url)) {
        LTest->setText("The address must start with http:// or https://.");
        return;
    }
    // The password held for this run belongs to the saved address and user only.
    const TSyncConfig saved = TSyncConfig::Read();
    const bool sameLogin = url == saved.Url && EUser->text().trimmed() == saved.User;
    const QString password = !EPassword->text().isEmpty() ? EPassword->text()
                             : sameLogin                  ? SessionPassword
                                                          : QString();
    if (TSyncRunner::CliPath().isEmpty()) {
        LTest->setText("quorva-cli is not beside the calendar, so it cannot synchronize.");
        return;
    }
    LTest->setText("Asking the server...");
    BTest->setEnabled(false);
    if (!tester->Start({"sync", "--check", "--url", url, "--user", EUser->text().trimmed()},
                       password)) {
        LTest->setText("quorva-cli could not be started.");
        BTest->setEnabled(true);
    }
}

bool TfrmServer::BOkClick() {
    TSyncConfig config;
    config.Url = EUrl->text().trimmed();
    config.User = EUser->text().trimmed();
    config.Auto = CBAutoSync->isChecked();
    config.Minutes = SEMinutes->value();
    if (!EPassword->text().isEmpty() && config.User.isEmpty()) {
        QMessageBox::warning(this, Caption, "A password needs the user name it belongs to.");
        EUser->setFocus();
        return false;
    }
    if (!config.Url.isEmpty() && !IsWebAddress(config.Url)) {
        QMessageBox::warning(this, Caption, "The address must start with http:// or https://.");
        EUrl->setFocus();
        return false;
    }
    try {
        config.Write();
    } catch (const std::exception &error) {
        QMessageBox::critical(this, Caption, QString::fromUtf8(error.what()));
        return false;
    }
    const QString password = EPassword->text();
    if (password.isEmpty() || config.Url.isEmpty())
        return true;
    QString out, why;
    const int code =
        TSyncRunner::RunAndWait({"password", "--url", config.Url, "--user", config.User},
                                password.toUtf8() + "\n", out, why);
    if (code == 0) {
        SessionPassword.clear();
        return true;
    }
    // No secret store: the password lives in memory until the calendar closes.
    SessionPassword = password;
    QString reason = why;
    const QString prefix = "the password was not kept: ";
    if (reason.startsWith(prefix))
        reason = reason.mid(prefix.size());
    QMessageBox::information(this, Caption,
                             "The password could not be kept in a secret store (" + reason +
                                 "). Quorva uses it until it closes and asks for it after that; "
                                 "it is never written to a file.");
    return true;
}
