#include "gui/table_menu.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QTreeWidget>

#include "common/text_scanners.h"
#include "gui/ip_tools.h"
#include "gui/scan_tuning_window.h"
#include "settings/shared_settings.h"

namespace qv {

bool confirmClearAll() {
    QMessageBox box(QMessageBox::NoIcon, "Quorvane", "Are you sure you want to clear all items?",
                    QMessageBox::Yes | QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

TableMenu::TableMenu(IpTools& tools, SharedSettings& settings, QWidget* parent)
    : QObject(parent), m_tools(tools), m_settings(settings), m_menu(parent),
      m_confirm(confirmClearAll) {
    m_menu.setObjectName("pmTableMenu");
    m_info = addItem("miInfoAboutIP", "Info about IP", &TableMenu::miInfoAboutIPClick);
    m_ignore = addItem("miAddtoIgnoreScanList", "Add to Ignore scan list",
                       &TableMenu::miAddtoIgnoreScanListClick);
    m_send = addItem("miSendMessage", "Send message", &TableMenu::miSendMessageClick);
    m_menu.addSeparator()->setObjectName("N6");
    m_delete = addItem("miDelete", "Delete", &TableMenu::miDeleteClick);
    m_delete->setShortcut(QKeySequence(Qt::Key_Delete));
    m_clear = addItem("miClearAll", "Clear All", &TableMenu::miClearAllClick);
    m_menu.addSeparator()->setObjectName("N1");
    m_selectAll = addItem("miSelectAll", "Select all", &TableMenu::miSelectAllClick);
    m_selectAll->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
    m_invert = addItem("miInvertSelection", "Invert selection", &TableMenu::miInvertSelectionClick);
    m_invert->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_I));
    m_copy = addItem("miCopyToClipboard", "Copy to Clipboard", &TableMenu::miCopyToClipboardClick);
    m_copy->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    // The shortcuts are shown in the menu; the lists' own key handling runs the commands.
    for (QAction* action : m_menu.actions()) {
        action->setShortcutContext(Qt::WidgetShortcut);
    }
}

QAction* TableMenu::addItem(const char* name, const QString& caption,
                            void (TableMenu::*command)()) {
    QAction* action = m_menu.addAction(caption);
    action->setObjectName(name);
    connect(action, &QAction::triggered, this, command);
    return action;
}

void TableMenu::attach(MenuSource& source) {
    m_watched[source.view()] = &source;
    m_watched[source.view()->viewport()] = &source;
    source.view()->installEventFilter(this);
    source.view()->viewport()->installEventFilter(this);
}

void TableMenu::detach(MenuSource& source) {
    for (auto it = m_watched.begin(); it != m_watched.end();) {
        if (it->second == &source) {
            it->first->removeEventFilter(this);
            it = m_watched.erase(it);
        } else {
            ++it;
        }
    }
    if (m_source == &source) {
        m_source = nullptr;
    }
}

void TableMenu::prepare(MenuSource& source) {
    m_source = &source;
    const MenuTarget target = source.hasSelection() ? source.target() : MenuTarget{};
    const bool address = !target.ip.empty();
    m_target = address ? target : MenuTarget{};
    const QString ip = QString::fromStdString(m_target.ip);
    m_info->setText(address ? "Info about " + ip : "Info about IP");
    m_ignore->setText(address ? "Add " + ip + " to Ignore scan list" : "Add to Ignore scan list");
    m_send->setText(address ? "Send message to " + ip : "Send message");
    // The ignore list and the network message reach IPv4 stations only.
    const bool ipv4 = address && !IPv6FromText(m_target.ip);
    m_info->setEnabled(address);
    m_ignore->setEnabled(ipv4);
    m_send->setEnabled(ipv4);
    const MenuSource::Kind kind = source.kind();
    const bool table = kind != MenuSource::Kind::Tree;
    const bool deletes = kind == MenuSource::Kind::Events || kind == MenuSource::Kind::IpMac;
    m_copy->setEnabled(source.hasSelection());
    m_delete->setEnabled(deletes && source.hasSelection());
    m_clear->setEnabled(deletes);
    m_selectAll->setEnabled(table);
    m_invert->setEnabled(table);
}

void TableMenu::popup(MenuSource& source, QPoint globalPosition) {
    prepare(source);
    m_menu.popup(globalPosition);
}

// A right press opens the menu on a list; the tree first selects the node under the cursor and
// opens it on the release.
bool TableMenu::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::MouseButtonPress &&
        type != QEvent::MouseButtonRelease) {
        return QObject::eventFilter(watched, event);
    }
    const auto found = m_watched.find(watched);
    if (found == m_watched.end()) {
        return QObject::eventFilter(watched, event);
    }
    MenuSource& source = *found->second;
    const bool tree = source.kind() == MenuSource::Kind::Tree;
    if (event->type() == QEvent::KeyPress && watched == source.view()) {
        return keyCommand(source, *static_cast<QKeyEvent*>(event));
    }
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::RightButton) {
            return false;
        }
        const QPoint at = mouse->position().toPoint();
        if (tree && event->type() == QEvent::MouseButtonPress) {
            auto* widget = static_cast<QTreeWidget*>(source.view());
            if (QTreeWidgetItem* item = widget->itemAt(at)) {
                widget->setCurrentItem(item);
            }
            return true;
        }
        if (!tree) {
            selectUnderCursor(*source.view(), at);
        }
        if ((event->type() == QEvent::MouseButtonRelease) == tree) {
            popup(source, mouse->globalPosition().toPoint());
            return true;
        }
    }
    return false;
}

// As a list does on a right click: a row not yet selected becomes the one selected row.
void TableMenu::selectUnderCursor(QAbstractItemView& view, QPoint at) {
    const QModelIndex index = view.indexAt(at);
    if (index.isValid() && !view.selectionModel()->isSelected(index)) {
        view.selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                          QItemSelectionModel::Rows);
    }
}

bool TableMenu::keyCommand(MenuSource& source, const QKeyEvent& key) {
    const bool ctrl = key.modifiers().testFlag(Qt::ControlModifier);
    const bool table = source.kind() != MenuSource::Kind::Tree;
    if (ctrl && (key.key() == Qt::Key_C || key.key() == Qt::Key_Insert)) {
        if (source.hasSelection()) {
            click(source, m_copy);
        }
        return true;
    }
    if (key.key() == Qt::Key_Delete) {
        const bool deletes =
            source.kind() == MenuSource::Kind::Events || source.kind() == MenuSource::Kind::IpMac;
        if (deletes && source.hasSelection()) {
            click(source, m_delete);
        }
        return true;
    }
    if (ctrl && (key.key() == Qt::Key_A || key.key() == Qt::Key_I)) {
        if (table) {
            click(source, key.key() == Qt::Key_A ? m_selectAll : m_invert);
        }
        return true;
    }
    return false;
}

void TableMenu::click(MenuSource& source, QAction* item) {
    m_source = &source;
    if (item->isEnabled()) {
        item->trigger();
    }
}

void TableMenu::miInfoAboutIPClick() {
    if (!m_target.ip.empty()) {
        const auto ipv6 = IPv6FromText(m_target.ip);
        m_tools.showInfoAboutIp({ipv6 ? IPAddress(*ipv6) : IPAddress(FindIPInText(m_target.ip)),
                                 m_target.ip, m_target.mac});
    }
}

void TableMenu::miAddtoIgnoreScanListClick() {
    if (m_ignore->isEnabled()) {
        const IPv4Address address = FindIPInText(m_target.ip);
        IgnoreListAdd added = IgnoreListAdd::Added;
        m_settings.update([&](Settings& record) { added = addToIgnoreList(record, address); });
        if (added == IgnoreListAdd::Full) {
            QMessageBox::critical(nullptr, "Error!", IGNORE_LIST_FULL);
        }
    }
}

void TableMenu::miSendMessageClick() {
    if (m_send->isEnabled()) {
        m_tools.showSendMessage(m_target.ip);
    }
}

void TableMenu::miDeleteClick() {
    if (m_source != nullptr) {
        m_source->deleteSelected();
    }
}

void TableMenu::miClearAllClick() {
    if (m_source != nullptr && m_confirm()) {
        m_source->clearAll();
    }
}

void TableMenu::miSelectAllClick() {
    if (m_source != nullptr) {
        m_source->selectAll();
    }
}

void TableMenu::miInvertSelectionClick() {
    if (m_source != nullptr) {
        m_source->invertSelection();
    }
}

void TableMenu::miCopyToClipboardClick() {
    if (m_source != nullptr && m_source->hasSelection()) {
        QGuiApplication::clipboard()->setText(QString::fromStdString(m_source->copyText()));
    }
}

} // namespace qv
