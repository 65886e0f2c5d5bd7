#pragma once

#include <memory>

#include <QPointer>
#include <QWidget>

#include "gui/arp_log_model.h"

class QLabel;
class QTableView;
class QToolButton;

namespace qv {

class SharedSettings;
class TableMenu;
class TableSource;

// The ARP log page (tsARPLog): the detailed and the one-sentence lists (lvARPLog, lvARPLog2) over
// the live log or a copy locked at one moment, their tool bar (tbARPLogSimpleView, tbPause) and
// the status line (sbARPLog).
class ArpLogPage : public QWidget {
    Q_OBJECT
public:
    ArpLogPage(ArpLogRing& liveLog, SharedSettings& settings, QWidget* parent = nullptr);
    ~ArpLogPage() override;

    // Shows the list of the current view and, unless locked, brings both lists to the live log
    // and scrolls them to the newest packet; writes the status line. Runs on every scan tick.
    void RefreshARPTable();
    // FormShow: the buttons show the record and the lock.
    void showSettings();
    void attachMenu(TableMenu& menu);

    bool simpleViewPressed() const;
    bool locked() const { return m_locked; }
    QTableView* detailedList() const { return m_detailed; }
    QTableView* simpleList() const { return m_simple; }
    QString statusText() const;

    void tbARPLogSimpleViewClick();
    void tbPauseClick();

signals:
    void viewChanged();

private:
    QTableView* shownList() const;
    void showCurrentList();
    void scrollToNewest();

    ArpLogRing& m_liveLog;
    SharedSettings& m_settings;
    std::unique_ptr<ArpLogRing> m_lockedLog;
    bool m_locked = false;
    ArpLogModel m_detailedModel;
    ArpLogModel m_simpleModel;
    QToolButton* m_simpleView;
    QToolButton* m_pause;
    QTableView* m_detailed;
    QTableView* m_simple;
    QLabel* m_status;
    QPointer<TableMenu> m_menu;
    std::unique_ptr<TableSource> m_detailedSource;
    std::unique_ptr<TableSource> m_simpleSource;
};

} // namespace qv
