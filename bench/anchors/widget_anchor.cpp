// The memory anchor of the helper's window benchmarks: an empty QApplication with one
// plain QWidget shown, nothing else. Once the widget has been drawn for the first
// time it prints its resident memory as
//
//   rss_kib <kibibytes>
//
// on standard output and exits; with --stay it then keeps running until standard
// input closes (or the process is ended), so that another program can look at it.
//
// Usage: widget_anchor [--stay]

#include "../ProcStatus.h"

#include <QApplication>
#include <QEvent>
#include <QSocketNotifier>
#include <QWidget>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

long residentKib() {
    return std::max(0L, bench_support::statusKib("VmRSS"));
}

class PaintedWidget : public QWidget {
public:
    bool painted{false};

protected:
    bool event(QEvent* event) override {
        if (event->type() == QEvent::Paint)
            painted = true;
        return QWidget::event(event);
    }
};

} // namespace

int main(int argc, char** argv) {
    const bool stay = argc > 1 && std::strcmp(argv[1], "--stay") == 0;
    QApplication application(argc, argv);
    PaintedWidget widget;
    widget.resize(401, 139);
    widget.show();
    while (!widget.painted)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    QCoreApplication::processEvents();
    std::printf("rss_kib %ld\n", residentKib());
    std::fflush(stdout);
    if (!stay)
        return 0;
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &application, [&] {
        char buffer[256];
        if (read(STDIN_FILENO, buffer, sizeof buffer) <= 0)
            QCoreApplication::quit();
    });
    return QApplication::exec();
}
