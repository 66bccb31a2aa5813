#pragma once
// The folders a window test runs in: an application folder (the events file beside the
// executable), settings and data folders of its own, and the TGUI that points at them.
#include "GUI.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <memory>

struct TWindowFolders {
    QTemporaryDir app;
    QTemporaryDir config;
    QTemporaryDir data;
    std::unique_ptr<TGUI> gui;

    // For initTestCase: the environment and the program's TGUI.
    void setUp() {
        QApplication::setQuitOnLastWindowClosed(false);
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
        qputenv("XDG_DATA_HOME", data.path().toLocal8Bit());
        gui = std::make_unique<TGUI>();
        gui->AppDir = app.path() + '/';
        GUI = gui.get();
    }
    // For cleanup: no settings or events left for the next test.
    void clearFiles() const {
        QFile::remove(config.path() + "/Ostrune/Quorva.reg");
        QFile::remove(app.path() + "/quorva.ini");
    }
};
