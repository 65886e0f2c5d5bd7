#include "gui/web_pages.h"

#include <QFileInfo>
#include <QLocale>

#include "common/file_io.h"
#include "gui/install_paths.h"

namespace qv {
namespace {

// Installed under share/doc beside the program's folder, or where this build installs it, or in
// the build tree it was built in.
QString documentationFolder() {
    const QString program = QString::fromStdString(programFolder());
    const QString installed = QString::fromStdString(installedDocFolder());
    for (const QString& folder : {program + "../share/doc/Quorvane/", installed,
                                  QString::fromStdString(buildTree() + "doc/")}) {
        if (QFileInfo(folder + "index.html").isFile()) {
            return QFileInfo(folder).canonicalFilePath() + "/";
        }
    }
    return installed;
}

} // namespace

QUrl makerHomePage() {
    return QUrl::fromLocalFile(documentationFolder() + "team.html");
}

QUrl productPage() {
    return QUrl::fromLocalFile(documentationFolder() + "index.html");
}

bool localeIsCyrillic() {
    return QLocale().script() == QLocale::CyrillicScript;
}

} // namespace qv
