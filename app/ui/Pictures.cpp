#include "app/ui/Pictures.h"

#include <QImageReader>

#include "platform/IconLibrary.h"
#include "tools/StartMenuLogo.h"

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

QImage fromCanvas(const machine::Canvas& canvas) {
    QImage image(canvas.width(), canvas.height(), QImage::Format_ARGB32);
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < canvas.width(); ++x) {
            const auto c = canvas.pixel(x, y);
            image.setPixel(x, y, canvas.opaque(x, y) ? qRgb(c.r, c.g, c.b) : qRgba(0, 0, 0, 0));
        }
    return image;
}

} // namespace

// The same pictures the demo machine's shell files carry.
QImage windowsLogoIcon(int size) { return fromCanvas(machine::drawStartButtonFlag(size)); }

QImage defaultStartMenuLogo() { return fromCanvas(machine::drawStartMenuLogo()); }

QPixmap renderPicture(const platform::Picture& picture) {
    using Kind = platform::Picture::Kind;
    switch (picture.kind) {
    case Kind::IconFile:
        return QPixmap::fromImage(readIconImage(QString::fromStdString(picture.path)));
    case Kind::BitmapFile:
        return QPixmap::fromImage(QImage(QString::fromStdString(picture.path)));
    case Kind::SystemIcon:
        return QPixmap::fromImage(windowsLogoIcon(32));
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
