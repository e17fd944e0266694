// Start-up figures of one window: prints the moment it was on screen (steady clock) and its
// resident memory once it has settled. Built with the real main window and, as floors, with the
// same widgets and no logic behind them (FloorWindow.cpp) and with an empty QMainWindow of the
// same size.
#include "Figures.h"

#if defined(BENCH_ONDRIX_WINDOW)
#include "frmMain.h"
#elif defined(BENCH_FLOOR_WINDOW)
#include "FloorWindow.h"
#include <QMainWindow>
#else
#include <QMainWindow>
#endif

#include <QApplication>
#include <QTimer>
#include <QWindow>

#include <cstdio>

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
#if defined(BENCH_ONDRIX_WINDOW)
    frmMain window;
    if (!window.Form_Load())
        return 1;
#elif defined(BENCH_FLOOR_WINDOW)
    QMainWindow window;
    buildFloorWindow(window);
#else
    QMainWindow window;
    window.setGeometry(91, 36, 617, 494); // where and how big the main window opens
#endif
    window.show();
    // Exposing paints the window at once, so the window is on screen when this loop ends.
    while (!window.windowHandle()->isExposed())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const qint64 shown = nowNs();

    QEventLoop settle;
    QTimer::singleShot(300, &settle, &QEventLoop::quit);
    settle.exec();
    std::printf("shown %lld rss %lld\n", static_cast<long long>(shown),
                static_cast<long long>(rssKiB()));
    return 0;
}
