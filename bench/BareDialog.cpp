// A bare Qt dialog that quits as soon as it is shown: the yardstick for
// velkrun's start-up in bench/startup.sh.
#include <QApplication>
#include <QDialog>
#include <QTimer>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QDialog dialog;
    dialog.resize(480, 360);
    dialog.show();
    QTimer::singleShot(0, &app, &QApplication::quit);
    return app.exec();
}
