#pragma once

#include <QWidget>

class QCheckBox;
class QLabel;
class QTableView;
class QTreeWidget;

namespace qv {

class SharedSettings;
class StationTable;

// The IP<->MAC page (tsIPMAC): the station list (lvIPMAC), the several-IP tree (tvIPMAC), the
// status line (sbIPMAC) and the check box that switches between them (cbShowIPMACMultipleView).
class IpMacPage : public QWidget {
    Q_OBJECT
public:
    IpMacPage(StationTable& stations, SharedSettings& settings, QWidget* parent = nullptr);

    void RefreshIPMACTable();
    // FormShow: the check box shows the record.
    void showSettings();
    bool multipleViewChecked() const;

    QCheckBox* multipleViewBox() const { return m_multipleView; }
    QString statusText() const;

signals:
    void viewChanged();

private:
    void cbShowIPMACMultipleViewClick();

    StationTable& m_stations;
    SharedSettings& m_settings;
    QTableView* m_list;
    QTreeWidget* m_tree;
    QCheckBox* m_multipleView;
    QLabel* m_status;
};

} // namespace qv
