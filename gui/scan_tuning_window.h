#pragma once

#include <QDialog>

#include "settings/settings.h"

class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;

namespace qv {

// The scan tuning window (TfSCC): the counting window in seconds, the request threshold, and the
// addresses never reported as scanners (the "White IP list", kept sorted as text). Its values are
// copies: they reach the record only through store(), on OK.
class ScanTuningWindow : public QDialog {
    Q_OBJECT
public:
    explicit ScanTuningWindow(const Settings& record, QWidget* parent = nullptr);

    // OK: the thresholds and the list, in list order, into the record.
    void store(Settings& record) const;

    void bAddClick();
    void bDeleteClick();
    QStringList addresses() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* buildThresholds();
    QWidget* buildList();
    bool add(const QString& typed);

    QSpinBox* m_interval = nullptr;
    QSpinBox* m_requests = nullptr;
    QLineEdit* m_ip = nullptr;
    QPushButton* m_add = nullptr;
    QPushButton* m_delete = nullptr;
    QListWidget* m_list = nullptr;
};

// What the user is told when the White IP list already holds as many addresses as it can.
inline constexpr const char* IGNORE_LIST_FULL =
    "The White IP list holds 256 addresses, as many as it can. Delete one before adding another.";

} // namespace qv
