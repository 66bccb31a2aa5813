#pragma once
#include <QDialog>
#include <cstdint>

class QFrame;
class QLabel;
class QPushButton;
class QWidget;

// The about box: the program's name and version, its maker and a link to its web page.
class TfrmAbout : public QDialog {
    Q_OBJECT
public:
    explicit TfrmAbout(QWidget *parent = nullptr);

    void LWebMouseEnter();
    void LWebMouseLeave();
    // Plays the click and opens the web page in the user's browser; the box stays open.
    void LWebClick();

    QWidget *Panel1 = nullptr;
    QLabel *LNameBack = nullptr;
    QLabel *LNameFront = nullptr;
    QLabel *Image1 = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *LWeb = nullptr;
    QFrame *Bevel1 = nullptr;
    QPushButton *Button1 = nullptr;

    static constexpr const char *MakerNotice = "Copyright (c) 2026 Ostrune. All rights reserved.";

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void FormCreate();
    void createPanel();
    void createTitle();
    void createIcon();
    void createWebLink();
    void createButtonStrip();
    void setLinkColour(std::uint32_t colour);
};

extern TfrmAbout *frmAbout;
