#pragma once

#include <QDialog>

class QLineEdit;
class QPlainTextEdit;

namespace qv {

// The send-message window (TfSendMessageOnComputer) for one target: a sender name and a message.
// Tab in the message types a TAB; Ctrl+Tab and Ctrl+Shift+Tab leave it.
class SendMessageWindow : public QDialog {
    Q_OBJECT
public:
    explicit SendMessageWindow(const QString& target, QWidget* parent = nullptr);

    QString sender() const;
    // The message as typed, lines joined by CR LF, no line end after the last.
    QString text() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* m_sender;
    QPlainTextEdit* m_text;
};

} // namespace qv
