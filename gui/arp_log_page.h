#pragma once

#include <QWidget>

class QLabel;
class QTableView;
class QToolButton;

namespace qv {

class ArpLogRing;
class SharedSettings;

// The ARP log page (tsARPLog): its tool bar (tbARPLogSimpleView, tbPause), the detailed and the
// one-sentence lists (lvARPLog, lvARPLog2) and the status line (sbARPLog).
class ArpLogPage : public QWidget {
    Q_OBJECT
public:
    ArpLogPage(ArpLogRing& liveLog, SharedSettings& settings, QWidget* parent = nullptr);

    // Shows the list of the current view and the status line; runs on every scan tick.
    void RefreshARPTable();
    // FormShow: the view button shows the record.
    void showSettings();
    bool simpleViewPressed() const;

    QToolButton* simpleViewButton() const { return m_simpleView; }
    QString statusText() const;

signals:
    void viewChanged();

private:
    void tbARPLogSimpleViewClick();

    ArpLogRing& m_liveLog;
    SharedSettings& m_settings;
    QToolButton* m_simpleView;
    QToolButton* m_pause;
    QTableView* m_detailed;
    QTableView* m_simple;
    QLabel* m_status;
};

} // namespace qv
