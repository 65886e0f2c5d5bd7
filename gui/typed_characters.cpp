#include "gui/typed_characters.h"

#include <QKeyEvent>

namespace qv {

bool typesForbiddenCharacter(const QKeyEvent& key, const QString& allowed) {
    if (key.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) {
        return false;
    }
    for (const QChar c : key.text()) {
        if (c.isPrint() && !allowed.contains(c)) {
            return true;
        }
    }
    return false;
}

} // namespace qv
