#include "DayForm.h"
#include "Fonts.h"
#include "GUI.h"
#include "MainForm.h"
#include "ShutdownSignals.h"
#include "SingleInstance.h"

#include <QApplication>
#include <QMessageBox>
#include <QSessionManager>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    app.setApplicationName("Quorva");
    app.setApplicationDisplayName("Quorva");
    app.setQuitOnLastWindowClosed(false);

    // A second copy hands over to the first and ends, having read no settings.
    if (TSingleInstance::HandOverToRunningCopy())
        return 0;

    try {
        TSingleInstance instance;
        instance.Listen();
        InstallFontSubstitutes();
        TGUI gui;
        GUI = &gui;

        TfrmMain mainWindow(QApplication::arguments());
        TfrmDay dayEditor(&mainWindow);
        frmDay = &dayEditor;
        if (mainWindow.QuitAtStart())
            return 0;

        QObject::connect(&instance, &TSingleInstance::restoreRequested, &mainWindow,
                         &TfrmMain::RestoreAndActivate);
        TShutdownSignals shutdownSignals;
        QObject::connect(&shutdownSignals, &TShutdownSignals::shutdownRequested, &mainWindow,
                         &TfrmMain::QueryShutdown);
        QObject::connect(&app, &QGuiApplication::commitDataRequest, &mainWindow,
                         [&mainWindow](QSessionManager&) { mainWindow.QueryShutdown(); });

        if (mainWindow.StartMinimized())
            mainWindow.showMinimized();
        else
            mainWindow.show();
        const int code = app.exec();
        frmDay = nullptr;
        GUI = nullptr;
        return code == 0 ? 0 : code;
    } catch (const std::exception& error) {
        QMessageBox::critical(nullptr, "Quorva", QString::fromLocal8Bit(error.what()));
        return 0;
    }
}
