// Makes the program's icon at the sizes a desktop asks for, from its vector
// drawing: iconsizes <icon.svg> <output folder> <size>...
// writes <output folder>/<size>x<size>/apps/pagewick.png for each size, each
// rendered from the drawing at that size, and copies the drawing itself to
// <output folder>/scalable/apps/pagewick.svg.

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QString>
#include <QSvgRenderer>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fputs("usage: iconsizes <icon.svg> <output folder> <size>...\n", stderr);
        return 2;
    }
    // Rendering needs fonts and paint devices, never a display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString source = QString::fromLocal8Bit(argv[1]);
    QSvgRenderer drawing(source);
    if (!drawing.isValid()) {
        std::fprintf(stderr, "iconsizes: %s is not a drawing that can be read\n", argv[1]);
        return 1;
    }
    const QDir out(QString::fromLocal8Bit(argv[2]));
    const QString scalable = out.filePath(QStringLiteral("scalable/apps/pagewick.svg"));
    QFile::remove(scalable);
    if (!out.mkpath(QStringLiteral("scalable/apps")) || !QFile::copy(source, scalable)) {
        std::fprintf(stderr, "iconsizes: cannot write %s\n", qPrintable(scalable));
        return 1;
    }
    for (int i = 3; i < argc; ++i) {
        const int size = QString::fromLatin1(argv[i]).toInt();
        if (size <= 0 || size > 1024) {
            std::fprintf(stderr, "iconsizes: %s is not a size in pixels\n", argv[i]);
            return 2;
        }
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter p(&image);
            p.setRenderHint(QPainter::Antialiasing);
            drawing.render(&p, QRectF(0, 0, size, size));
        }
        const QString folder = QStringLiteral("%1x%1/apps").arg(size);
        const QString file = out.filePath(folder + QStringLiteral("/pagewick.png"));
        if (!out.mkpath(folder) || !image.save(file, "PNG")) {
            std::fprintf(stderr, "iconsizes: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
