#pragma once

#include <functional>
#include <map>
#include <string>

#include <QMenu>
#include <QObject>

#include "tables/menu_commands.h"

class QAbstractItemView;

namespace qv {

class IpTools;
class SharedSettings;

// A control the tables' menu works on: one of the four lists or the several-IP tree.
class MenuSource {
public:
    enum class Kind { Events, ArpLog, IpMac, Tree };

    virtual ~MenuSource() = default;
    virtual Kind kind() const = 0;
    virtual QAbstractItemView* view() const = 0;
    virtual bool hasSelection() const = 0;
    // The address of the first selected row or of the selected node.
    virtual MenuTarget target() const = 0;
    // The clipboard text of the selection.
    virtual std::string copyText() const = 0;
    virtual void selectAll() {}
    virtual void invertSelection() {}
    // Only the events list and the IP<->MAC list delete and clear.
    virtual void deleteSelected() {}
    virtual void clearAll() {}
};

// The right-click menu (pmTableMenu) the four lists and the tree share, and their key commands.
// It works on the control that opened it last (its source); a key command sets the source and
// clicks the item, which acts only while the item is enabled, as the last opening left it.
class TableMenu : public QObject {
    Q_OBJECT
public:
    // Asks before Clear All; true for Yes.
    using Confirm = std::function<bool()>;

    TableMenu(IpTools& tools, SharedSettings& settings, QWidget* parent = nullptr);

    // The source's view (and viewport) open the menu on a right click and take its key commands.
    void attach(MenuSource& source);
    // Before a source goes: the menu stops watching its view.
    void detach(MenuSource& source);
    // Sets the source and prepares the items (pmTableMenuPopup).
    void prepare(MenuSource& source);
    // Prepares and pops the menu up at a screen point.
    void popup(MenuSource& source, QPoint globalPosition);
    void setConfirm(Confirm confirm) { m_confirm = std::move(confirm); }

    QMenu& menu() { return m_menu; }
    const MenuTarget& target() const { return m_target; }
    MenuSource* source() const { return m_source; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QAction* addItem(const char* name, const QString& caption, void (TableMenu::*command)());
    bool keyCommand(MenuSource& source, const QKeyEvent& key);
    static void selectUnderCursor(QAbstractItemView& view, QPoint at);
    void click(MenuSource& source, QAction* item);

    void miInfoAboutIPClick();
    void miAddtoIgnoreScanListClick();
    void miSendMessageClick();
    void miDeleteClick();
    void miClearAllClick();
    void miSelectAllClick();
    void miInvertSelectionClick();
    void miCopyToClipboardClick();

    IpTools& m_tools;
    SharedSettings& m_settings;
    QMenu m_menu;
    QAction* m_info;
    QAction* m_ignore;
    QAction* m_send;
    QAction* m_delete;
    QAction* m_clear;
    QAction* m_selectAll;
    QAction* m_invert;
    QAction* m_copy;
    std::map<QObject*, MenuSource*> m_watched;
    MenuSource* m_source = nullptr;
    MenuTarget m_target;
    Confirm m_confirm;
};

// The Clear All question.
bool confirmClearAll();

} // namespace qv
