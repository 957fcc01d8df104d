// Renders an SVG icon into square PNG files:
//   qx7-render-icon ICON.svg SIZE=OUT.png [SIZE=OUT.png ...]
// The icon is scaled to fill each square (keeping its proportions), on a
// transparent background.

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QString>
#include <QSvgRenderer>

#include <cstdio>
#include <vector>

namespace {

struct Target {
    int size = 0;
    QString path;
};

bool ParseTarget(const QString& argument, Target* target) {
    const qsizetype equals = argument.indexOf(u'=');
    if (equals <= 0 || equals + 1 == argument.size()) return false;
    bool number = false;
    target->size = argument.left(equals).toInt(&number);
    target->path = argument.mid(equals + 1);
    return number && target->size >= 1 && target->size <= 1024;
}

}  // namespace

int main(int argc, char** argv) {
    // No window is opened: the offscreen platform needs no display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList arguments = QGuiApplication::arguments();
    if (arguments.size() < 3) {
        std::fprintf(stderr, "usage: qx7-render-icon ICON.svg SIZE=OUT.png [SIZE=OUT.png ...]\n");
        return 2;
    }
    QSvgRenderer renderer(arguments[1]);
    renderer.setAspectRatioMode(Qt::KeepAspectRatio);
    if (!renderer.isValid()) {
        std::fprintf(stderr, "qx7-render-icon: %s is not a readable SVG file\n", qPrintable(arguments[1]));
        return 1;
    }
    std::vector<Target> targets;
    for (qsizetype i = 2; i < arguments.size(); ++i) {
        Target target;
        if (!ParseTarget(arguments[i], &target)) {
            std::fprintf(stderr, "qx7-render-icon: %s is not SIZE=OUT.png (SIZE 1 to 1024)\n",
                         qPrintable(arguments[i]));
            return 2;
        }
        targets.push_back(target);
    }
    for (const Target& target : targets) {
        QImage image(target.size, target.size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter);
        painter.end();
        if (!image.save(target.path, "PNG")) {
            std::fprintf(stderr, "qx7-render-icon: cannot write %s\n", qPrintable(target.path));
            return 1;
        }
    }
    return 0;
}
