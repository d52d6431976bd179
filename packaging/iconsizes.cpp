// Makes the program's icon at the sizes a desktop asks for, from the 32 x 32
// window icon: iconsizes <icon> <output folder> <size>...
// writes <output folder>/<size>x<size>/apps/pagewick.png for each size.
//
// The icon is drawn pixel by pixel, so it is enlarged by whole pixels
// (nearest neighbour) to the first multiple of its size that is at least as
// large, and only then smoothed down to the size asked for.

#include <QDir>
#include <QImage>
#include <QString>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fputs("usage: iconsizes <icon> <output folder> <size>...\n", stderr);
        return 2;
    }
    const QImage icon =
        QImage(QString::fromLocal8Bit(argv[1])).convertToFormat(QImage::Format_ARGB32);
    if (icon.isNull() || icon.width() != icon.height()) {
        std::fprintf(stderr, "iconsizes: %s is not a square image that can be read\n", argv[1]);
        return 1;
    }
    const QDir out(QString::fromLocal8Bit(argv[2]));
    for (int i = 3; i < argc; ++i) {
        const int size = QString::fromLatin1(argv[i]).toInt();
        if (size <= 0 || size > 1024) {
            std::fprintf(stderr, "iconsizes: %s is not a size in pixels\n", argv[i]);
            return 2;
        }
        const int whole = (size + icon.width() - 1) / icon.width() * icon.width();
        QImage image = icon.scaled(whole, whole, Qt::IgnoreAspectRatio, Qt::FastTransformation);
        if (whole != size)
            image = image.scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        const QString folder = QStringLiteral("%1x%1/apps").arg(size);
        const QString file = out.filePath(folder + QStringLiteral("/pagewick.png"));
        if (!out.mkpath(folder) || !image.save(file, "PNG")) {
            std::fprintf(stderr, "iconsizes: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
