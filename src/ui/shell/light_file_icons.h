#pragma once
// Icons and type names for the file dialogs that need nothing but the
// file's name and kind. Qt's own provider tells a file's type from its
// content, reading every file of the folder on the window's thread while the
// dialog fills its list; a big folder, or one on a slow drive, then holds the
// window for as long as that takes.

#include <QAbstractFileIconProvider>
#include <QIcon>

namespace qx7::ui {

class LightFileIcons final : public QAbstractFileIconProvider {
public:
    // Takes the style's icons; create it on the user-interface thread.
    LightFileIcons();

    QIcon icon(IconType type) const override;
    QIcon icon(const QFileInfo& info) const override;
    // "Folder", "Drive", the configuration file's name, "QX7 File" style
    // names from the suffix, or "File".
    QString type(const QFileInfo& info) const override;

private:
    QIcon folder_;
    QIcon file_;
    QIcon drive_;
    QIcon computer_;
};

}  // namespace qx7::ui
