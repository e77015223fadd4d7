// Renders the program's SVG icon to the PNG sizes of the hicolor theme at build time, so that
// desktops without SVG icon support still find a picture.
#include <QGuiApplication>
#include <QIcon>
#include <QPixmap>
#include <cstdio>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = QGuiApplication::arguments();
    if (args.size() < 4) {
        std::fputs("usage: render_icons SVG OUTDIR SIZE...\n", stderr);
        return 2;
    }
    const QIcon icon(args.at(1));
    for (const QString& s : args.mid(3)) {
        const int size = s.toInt();
        const QPixmap pixmap = icon.pixmap(QSize(size, size));
        const QString out = args.at(2) + QStringLiteral("/vok-address-%1.png").arg(size);
        if (pixmap.isNull() || !pixmap.save(out, "PNG")) {
            std::fprintf(stderr, "render_icons: cannot write %s\n", qPrintable(out));
            return 1;
        }
    }
    return 0;
}
