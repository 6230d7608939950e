// A bare Qt dialog (a line of text and an OK button, the least a dialog
// shows) that quits as soon as it is shown: the yardstick for velkrun's
// start-up in bench/startup.sh.
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QDialog dialog;
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel(QStringLiteral("Hello"), &dialog));
    layout->addWidget(new QPushButton(QStringLiteral("OK"), &dialog));
    dialog.resize(480, 360);
    dialog.show();
    QTimer::singleShot(0, &app, &QApplication::quit);
    return app.exec();
}
