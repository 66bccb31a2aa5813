// The least a Qt Widgets program does before its window is up: the baseline that
// bench/compare.sh sets the calendar's time to its main window against.
#include <QApplication>
#include <QMainWindow>
#include <QStatusBar>

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle("Bare");
    window.setStatusBar(new QStatusBar(&window));
    window.show();
    return app.exec();
}
