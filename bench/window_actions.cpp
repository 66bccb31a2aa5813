// What a user waits for in the main window of a large calendar, measured in the real window
// (offscreen unless QT_QPA_PLATFORM says otherwise):
//   - a month switch: the next-month arrow and a strip title, each with the repaint it causes;
//   - a day-editor Save: from the click on Save to the editor closed, the file rewritten.
// Prints the median and the slowest of each; nothing is asserted.
//
// Usage: bench_window_actions [--events N] [--runs K]    (defaults 100000 and 31)
#include "BigEventsFile.h"
#include "DayForm.h"
#include "MainFixture.h"
#include "MainForm.h"
#include "MonthView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

struct Figures {
    double median = 0, slowest = 0;
};

Figures Summary(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return {values[values.size() / 2], values.back()};
}

void Print(const char *what, const Figures &figures) {
    std::printf("  %-52s %7.2f ms (slowest %.2f)\n", what, figures.median, figures.slowest);
}

double Milliseconds(const QElapsedTimer &timer) {
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char *argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int events = 100000, runs = 31;
    const QStringList arguments = app.arguments();
    for (int i = 1; i + 1 < arguments.size(); i += 2) {
        if (arguments[i] == "--events")
            events = arguments[i + 1].toInt();
        else if (arguments[i] == "--runs")
            runs = std::max(1, arguments[i + 1].toInt());
    }

    TMainFixture f(QDate(2026, 12, 9));
    {
        TEvents big;
        bench::FillBigStore(big, events);
        big.SaveToIni(f.eventsFile().toStdString());
    }
    // Every event held: no wipe of past one-time events.
    QFile settings(f.settingsFile());
    if (!QDir().mkpath(QFileInfo(settings).path()) || !settings.open(QIODevice::WriteOnly) ||
        settings.write("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Ostrune\\Quorva\\"
                       "Preferences]\r\n\"bWipe\"=\"0\"\r\n\"bReminder\"=\"0\"\r\n") < 0) {
        std::printf("cannot write %s\n", qPrintable(f.settingsFile()));
        return 1;
    }
    settings.close();
    f.recreate();
    TfrmMain *window = f.main();
    window->resize(1000, 700);
    window->show();
    if (!QTest::qWaitForWindowExposed(window))
        std::printf("the window was not exposed; the repaints still run\n");
    std::printf("main window of %zu one-time events, %s, %d runs each\n", Events.Once.size(),
                qPrintable(QGuiApplication::platformName()), runs);

    std::vector<double> arrow, title, save;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        window->LNextMonthClick();
        window->repaint();
        arrow.push_back(Milliseconds(timer));

        timer.start();
        window->ShowMonth(run % 13);
        window->repaint();
        title.push_back(Milliseconds(timer));
    }
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        auto *poll = new QTimer;
        poll->setInterval(5);
        QObject::connect(poll, &QTimer::timeout, poll, [poll, run, &timer] {
            auto *day = qobject_cast<TfrmDay *>(QApplication::activeModalWidget());
            if (!day)
                return;
            poll->stop();
            poll->deleteLater();
            day->MOnce->setPlainText(QString("Benchmark note %1").arg(run));
            timer.start();
            QTest::mouseClick(day->BSave, Qt::LeftButton);
        });
        poll->start();
        window->OpenDayEditor(10 + run % 20);
        save.push_back(Milliseconds(timer));
    }
    Print("next-month arrow, repainted", Summary(arrow));
    Print("strip title (another month), repainted", Summary(title));
    Print("day editor Save: click to the window back, file rewritten", Summary(save));
    return 0;
}
