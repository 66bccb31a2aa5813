#include "AboutForm.h"

#include "Colors.h"
#include "Constants.h"
#include "Fonts.h"
#include "Platform.h"
#include "Sound.h"

#include <QDesktopServices>
#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QUrl>

TfrmAbout *frmAbout = nullptr;

namespace {

constexpr int ClientWidth = 357;
constexpr int ClientHeight = 199;
constexpr int PanelHeight = 161;
constexpr int IconSize = 32;

QLabel *TitleLabel(QWidget *parent, const char *name, const QColor &colour, int x, int y) {
    auto *label = new QLabel(parent);
    label->setObjectName(name);
    label->setFont(UiFont("Tahoma", 32));
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    label->move(x, y);
    return label;
}

// The build's own icon; a build without it shows the box without a picture.
QPixmap ProgramIcon() {
    for (const char *path : {":/icons/quorva-32.png", ":/icons/quorva.png"}) {
        QPixmap icon(path);
        if (!icon.isNull())
            return icon.size() == QSize(IconSize, IconSize)
                       ? icon
                       : icon.scaled(IconSize, IconSize, Qt::KeepAspectRatio,
                                     Qt::SmoothTransformation);
    }
    return {};
}

} // namespace

TfrmAbout::TfrmAbout(QWidget *parent) : QDialog(parent) {
    setObjectName("frmAbout");
    setWindowTitle("About Quorva");
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setFont(UiFont("Tahoma", 13));
    setFixedSize(ClientWidth, ClientHeight);
    createPanel();
    createButtonStrip();
    FormCreate();
}

void TfrmAbout::createPanel() {
    Panel1 = new QWidget(this);
    Panel1->setObjectName("Panel1");
    Panel1->setGeometry(0, 0, ClientWidth, PanelHeight);
    Panel1->setAutoFillBackground(true);
    QPalette palette = Panel1->palette();
    palette.setColor(QPalette::Window, Qt::white);
    Panel1->setPalette(palette);
    createTitle();
    createIcon();
    Label1 = new QLabel(MakerNotice, Panel1);
    Label1->setObjectName("Label1");
    Label1->move(16, 52);
    Label1->adjustSize();
    createWebLink();
}

// Two labels make one title: the shadow first, the navy front over it 3 pixels to the right
// and 2 higher. Qt has no inactive-caption text role; the disabled text colour is the
// desktop's own muted text and plays that part.
void TfrmAbout::createTitle() {
    LNameBack = TitleLabel(Panel1, "LNameBack",
                           palette().color(QPalette::Disabled, QPalette::WindowText), 12, 12);
    LNameFront = TitleLabel(Panel1, "LNameFront", QColor(0, 0, 128), 15, 10);
}

void TfrmAbout::createIcon() {
    Image1 = new QLabel(Panel1);
    Image1->setObjectName("Image1");
    Image1->move(304, 16);
    const QPixmap icon = ProgramIcon();
    if (icon.isNull()) {
        Image1->hide();
        return;
    }
    Image1->setPixmap(icon);
    Image1->resize(icon.size());
}

void TfrmAbout::createWebLink() {
    LWeb = new QLabel("Quorva Website", Panel1);
    LWeb->setObjectName("LWeb");
    QFont font = UiFont("Tahoma", 13);
    font.setUnderline(true);
    LWeb->setFont(font);
    LWeb->setCursor(Qt::PointingHandCursor);
    LWeb->move(16, 128);
    LWeb->adjustSize();
    setLinkColour(Colors.Link);
    LWeb->installEventFilter(this);
}

void TfrmAbout::createButtonStrip() {
    Bevel1 = new QFrame(this);
    Bevel1->setObjectName("Bevel1");
    Bevel1->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    Bevel1->setGeometry(0, PanelHeight, ClientWidth, 2);
    Button1 = new QPushButton("&Close", this);
    Button1->setObjectName("Button1");
    Button1->setGeometry(276, 168, 75, 25);
    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, &QDialog::reject);
}

void TfrmAbout::FormCreate() {
    const QString title = QString(Constants::ProductName) + ' ' + Constants::Version;
    LNameBack->setText(title);
    LNameFront->setText(title);
    LNameBack->adjustSize();
    LNameFront->adjustSize();
}

void TfrmAbout::showEvent(QShowEvent *event) {
    if (event->spontaneous()) {
        QDialog::showEvent(event);
        return;
    }
    if (const QScreen *screen = this->screen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
    Button1->setFocus();
    QDialog::showEvent(event);
}

void TfrmAbout::setLinkColour(std::uint32_t colour) {
    QPalette palette = LWeb->palette();
    palette.setColor(QPalette::WindowText, ToQColor(colour));
    LWeb->setPalette(palette);
}

void TfrmAbout::LWebMouseEnter() {
    setLinkColour(Colors.LinkHover);
}

void TfrmAbout::LWebMouseLeave() {
    setLinkColour(Colors.Link);
}

void TfrmAbout::LWebClick() {
    PlayClick();
    OpenWithDesktop(QUrl(Constants::WebAddress), this);
}

bool TfrmAbout::eventFilter(QObject *watched, QEvent *event) {
    if (watched != LWeb)
        return QDialog::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::Enter:
        LWebMouseEnter();
        break;
    case QEvent::Leave:
        LWebMouseLeave();
        break;
    case QEvent::MouseButtonRelease: {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton && LWeb->rect().contains(mouse->position().toPoint()))
            LWebClick();
        break;
    }
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}
