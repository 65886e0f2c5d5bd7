#include "gui/web_pages.h"

#include <QFileInfo>
#include <QLocale>

#include "common/file_io.h"

namespace qv {
namespace {

// Beside the program in the build tree, or installed under share/doc.
QString documentationFolder() {
    const QString program = QString::fromStdString(programFolder());
    for (const QString& folder : {program + "doc/", program + "../share/doc/Quorvane/",
                                  QStringLiteral(QUORVANE_INSTALLED_DOC)}) {
        if (QFileInfo(folder + "index.html").isFile()) {
            return QFileInfo(folder).canonicalFilePath() + "/";
        }
    }
    return QStringLiteral(QUORVANE_INSTALLED_DOC);
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
