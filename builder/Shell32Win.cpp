#include "Shell32Win.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace Shell32Win {

bool OpenDocument(const QString& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
}

}  // namespace Shell32Win
