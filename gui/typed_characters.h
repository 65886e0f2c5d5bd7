#pragma once

#include <QString>

class QKeyEvent;

namespace qv {

// Whether `key` types a character that `allowed` does not hold, which a field's key filter then
// swallows. Keys that type no printable character (Tab, Backspace, Delete, Return, Escape, the
// arrows) and shortcuts (with Ctrl, Alt or Meta) keep their usual meaning.
bool typesForbiddenCharacter(const QKeyEvent& key, const QString& allowed);

} // namespace qv
