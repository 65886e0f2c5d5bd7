#include "gui/send_message_window.h"

#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "gui/focus_chain.h"

namespace qv {

SendMessageWindow::SendMessageWindow(const QString& target, QWidget* parent)
    : QDialog(parent), m_sender(new QLineEdit("Administrator", this)),
      m_text(new QPlainTextEdit(this)) {
    setObjectName("fSendMessageOnComputer");
    setWindowTitle("Send message on computer " + target);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    m_text->setObjectName("mSendText");
    m_text->setMinimumSize(307, 109);
    m_sender->setObjectName("eSender");
    auto* label = new QLabel("Sender", this);
    label->setObjectName("lSender");
    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("bOK");
    auto* cancel = new QPushButton("Cancel", this);
    cancel->setObjectName("bCancel");
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* layout = new QGridLayout(this);
    layout->addWidget(m_text, 0, 0, 1, 4);
    layout->addWidget(label, 1, 0);
    layout->addWidget(m_sender, 1, 1);
    layout->addWidget(ok, 1, 2);
    layout->addWidget(cancel, 1, 3);
    m_text->setTabChangesFocus(false);
    m_text->installEventFilter(this);
    setFocusChain({m_text, ok, cancel, m_sender});
    setFixedSize(sizeHint().expandedTo(QSize(324, 179)));
}

bool SendMessageWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_text && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) &&
            (key->modifiers() & Qt::ControlModifier)) {
            const bool back =
                key->key() == Qt::Key_Backtab || (key->modifiers() & Qt::ShiftModifier);
            return focusNextPrevChild(!back);
        }
    }
    return QDialog::eventFilter(watched, event);
}

QString SendMessageWindow::sender() const {
    return m_sender->text();
}

QString SendMessageWindow::text() const {
    return m_text->toPlainText().replace('\n', "\r\n");
}

} // namespace qv
