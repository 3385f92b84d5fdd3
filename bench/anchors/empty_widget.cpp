// The anchor of the helper's figures on the desktop: the least a Qt Widgets program
// does to put a window on the screen. Without arguments it shows one plain widget at
// once; given a folder, it shows the widget as soon as that folder changes, which is
// the floor for reacting to an application arriving in the Trash.
#include <QApplication>
#include <QFileSystemWatcher>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QWidget window;
    window.resize(401, 139);
    QFileSystemWatcher watcher;
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() > 1) {
        watcher.addPath(arguments.at(1));
        QObject::connect(&watcher, &QFileSystemWatcher::directoryChanged, &window, &QWidget::show);
    } else {
        window.show();
    }
    return QApplication::exec();
}
