#include "ui/shell/light_file_icons.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStyle>

namespace qx7::ui {

LightFileIcons::LightFileIcons() {
    QStyle* style = QApplication::style();
    folder_ = style->standardIcon(QStyle::SP_DirIcon);
    file_ = style->standardIcon(QStyle::SP_FileIcon);
    drive_ = style->standardIcon(QStyle::SP_DriveHDIcon);
    computer_ = style->standardIcon(QStyle::SP_ComputerIcon);
}

QIcon LightFileIcons::icon(IconType type) const {
    switch (type) {
        case Computer: return computer_;
        case Drive: return drive_;
        case Folder: return folder_;
        case Desktop:
        case Trashcan:
        case Network:
        case File: break;
    }
    return file_;
}

QIcon LightFileIcons::icon(const QFileInfo& info) const {
    if (info.isRoot()) return drive_;
    return info.isDir() ? folder_ : file_;
}

QString LightFileIcons::type(const QFileInfo& info) const {
    // The texts of Qt's own provider, so that its translations apply.
    if (info.isRoot()) return QCoreApplication::translate("QAbstractFileIconProvider", "Drive");
    if (info.isDir()) return QCoreApplication::translate("QAbstractFileIconProvider", "Folder", "All other platforms");
    if (info.suffix().compare(QStringLiteral("qx7"), Qt::CaseInsensitive) == 0) {
        return QStringLiteral("QX7 Device Configuration");
    }
    if (info.suffix().isEmpty()) return QCoreApplication::translate("QAbstractFileIconProvider", "File");
    return QCoreApplication::translate("QAbstractFileIconProvider", "%1 File").arg(info.suffix());
}

}  // namespace qx7::ui
