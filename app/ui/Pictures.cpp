#include "app/ui/Pictures.h"

#include <QImageReader>

#include "platform/IconLibrary.h"

// Resources of a static library are registered by name, once.
static void initPictures() {
    static const bool done = [] {
        Q_INIT_RESOURCE(Pictures);
        return true;
    }();
    (void)done;
}

namespace velkan::app::ui {

namespace {

QImage readIconImage(const QString& file) {
    QImageReader reader(file);
    QImage best;
    // An icon file may hold several images; the large-icon size is wanted.
    for (int i = 0; i < std::max(1, reader.imageCount()); ++i) {
        if (i > 0 && !reader.jumpToImage(i))
            break;
        QImage image = reader.read();
        if (image.isNull())
            continue;
        if (best.isNull() || std::abs(image.width() - 32) < std::abs(best.width() - 32) ||
            (image.width() == best.width() && image.depth() > best.depth()))
            best = image;
    }
    return best;
}

} // namespace

namespace {

// ExtractIcon's picture at the large-icon size, the mask applied as alpha.
QImage libraryIcon(const std::string& file, int index) {
    auto icon = platform::IconLibrary::open(file).icon(index);
    if (!icon)
        return {};
    QImage image(icon->width, icon->height, QImage::Format_ARGB32);
    for (int y = 0; y < icon->height; ++y)
        for (int x = 0; x < icon->width; ++x)
            image.setPixel(x, y, icon->rgba(x, y));
    return image;
}

} // namespace

// The same pictures the demo machine's shell files carry, drawn once by the
// machine tool and kept as the program's own resources.
QImage windowsLogoIcon() {
    initPictures();
    return QImage(":/pictures/WindowsFlag32.png").convertToFormat(QImage::Format_ARGB32);
}

QImage defaultStartMenuLogo() {
    initPictures();
    return QImage(":/pictures/StartMenuLogo.png").convertToFormat(QImage::Format_ARGB32);
}

QPixmap renderPicture(const platform::Picture& picture) {
    using Kind = platform::Picture::Kind;
    switch (picture.kind) {
    case Kind::IconFile:
        return QPixmap::fromImage(readIconImage(QString::fromStdString(picture.path)));
    case Kind::BitmapFile:
        return QPixmap::fromImage(QImage(QString::fromStdString(picture.path)));
    case Kind::SystemIcon:
        return QPixmap::fromImage(windowsLogoIcon());
    case Kind::Resource:
        if (picture.path == "DefaultLogo")
            return QPixmap::fromImage(defaultStartMenuLogo());
        return {};
    case Kind::IconInLibrary:
        return QPixmap::fromImage(libraryIcon(picture.path, picture.index));
    case Kind::None:
        break;
    }
    return {};
}

} // namespace velkan::app::ui
