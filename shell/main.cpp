#include "DayForm.h"
#include "EventsPreload.h"
#include "FindForm.h"
#include "Fonts.h"
#include "GUI.h"
#include "MainForm.h"
#include "PrefForm.h"
#include "ReminderForm.h"
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
        TGUI gui;
        GUI = &gui;
        EventsPreload.Start(gui.EventsFilePath().toStdString());
        TSingleInstance instance;
        instance.Listen();
        InstallFontSubstitutes();

        TfrmMain mainWindow(QApplication::arguments());
        if (mainWindow.QuitAtStart())
            return 0;
        TfrmDay dayEditor(&mainWindow);
        frmDay = &dayEditor;
        TfrmPref preferences(&mainWindow);
        frmPref = &preferences;
        // No owner: it shows while the main window is hidden in the notification area.
        TfrmReminder reminder;
        frmReminder = &reminder;
        TfrmFind find(&mainWindow);
        frmFind = &find;

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
        frmFind = nullptr;
        frmReminder = nullptr;
        frmPref = nullptr;
        frmDay = nullptr;
        GUI = nullptr;
        return code;
    } catch (const std::exception& error) {
        QMessageBox::critical(nullptr, "Quorva", QString::fromLocal8Bit(error.what()));
        return 0;
    }
}
