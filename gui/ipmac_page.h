#pragma once

#include <functional>
#include <memory>

#include <QPointer>
#include <QWidget>

#include "gui/station_model.h"
#include "gui/table_menu.h"

class QCheckBox;
class QLabel;
class QTableView;
class QTreeWidget;

namespace qv {

class SharedSettings;
class TableSource;

// The IP<->MAC page (tsIPMAC): the sortable station list (lvIPMAC), the tree of hardware
// addresses with several IP addresses (tvIPMAC), the status line (sbIPMAC) and the check box that
// switches between them (cbShowIPMACMultipleView).
class IpMacPage : public QWidget {
    Q_OBJECT
public:
    // `saveCleared` empties the table and writes ipmac.dat in one step (Clear All).
    IpMacPage(StationTables stations, SharedSettings& settings, std::function<void()> saveCleared,
              QWidget* parent = nullptr);
    ~IpMacPage() override;

    // Sorts the table and shows it as the list, or as the tree when the box is checked.
    void RefreshIPMACTable();
    // FormShow: the check box shows the record.
    void showSettings();
    void attachMenu(TableMenu& menu);
    bool multipleViewChecked() const;

    QTableView* list() const { return m_list; }
    QTreeWidget* tree() const { return m_tree; }
    StationModel& model() { return m_model; }
    QString statusText() const;

signals:
    void viewChanged();

private:
    void cbShowIPMACMultipleViewClick();
    void fillTree();

    StationTables m_stations;
    SharedSettings& m_settings;
    std::function<void()> m_saveCleared;
    StationModel m_model;
    QTableView* m_list;
    QTreeWidget* m_tree;
    QCheckBox* m_multipleView;
    QLabel* m_status;
    int m_roots = 0;
    QPointer<TableMenu> m_menu;
    std::unique_ptr<TableSource> m_listSource;
    std::unique_ptr<MenuSource> m_treeSource;
};

} // namespace qv
