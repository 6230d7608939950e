// Loaded by Qt only when someone asks for the platform "velkanmark" in a
// folder that holds it; it then makes the file $VELKAN_TEST_MARK, which is
// all it does. Standing on a machine's drive C:, it is the code a disk from
// anywhere could bring.
#include <QObject>
#include <QtPlugin>
#include <cstdio>
#include <cstdlib>

namespace {

__attribute__((constructor)) void leaveMark() {
    if (const char* mark = std::getenv("VELKAN_TEST_MARK"); mark && *mark)
        if (std::FILE* file = std::fopen(mark, "w"))
            std::fclose(file);
}

} // namespace

class MarkPlugin : public QObject {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "org.qt-project.Qt.QPA.QPlatformIntegrationFactoryInterface.5.3" FILE
                          "mark.json")
};

#include "MarkPlugin.moc"
